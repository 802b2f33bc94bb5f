#include "base/Images.h"

#include <QString>
#include <array>
#include <vector>

namespace {

struct ImageListFiles {
    const char* folder;
    int count;
};

constexpr std::array<ImageListFiles, 4> kLists{{
    {"list", 12},
    {"cacheskip", 3},
    {"auth", 2},
    {"cache", 2},
}};

const ImageListFiles& filesOf(ImageList list) {
    return kLists[static_cast<std::size_t>(list)];
}

} // namespace

// The images are compiled into this static library; every program that links it finds them once this ran.
static void registerImages() {
    Q_INIT_RESOURCE(images);
}

int imageCount(ImageList list) {
    return filesOf(list).count;
}

QIcon listImage(ImageList list, int index) {
    // Kept until the process ends (never destroyed), so no icon outlives the application object's teardown.
    static auto* const kLoaded = [] {
        registerImages();
        return new std::array<std::vector<QIcon>, kLists.size()>;
    }();
    const ImageListFiles& files = filesOf(list);
    if (index < 0 || index >= files.count)
        return {};
    std::vector<QIcon>& icons = (*kLoaded)[static_cast<std::size_t>(list)];
    if (icons.empty()) {
        for (int i = 0; i < files.count; ++i)
            icons.emplace_back(QStringLiteral(":/%1/%2.svg").arg(QLatin1StringView(files.folder)).arg(i));
    }
    return icons[static_cast<std::size_t>(index)];
}
