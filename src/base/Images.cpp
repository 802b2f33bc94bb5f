#include "base/Images.h"

#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>
#include <QString>
#include <QSvgRenderer>
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

// The drawing is rendered at the size asked for, then every painted pixel takes one colour of the palette.
class GlyphIconEngine : public QIconEngine {
public:
    GlyphIconEngine(QSvgRenderer* glyph, const QPalette& palette) : glyph_(glyph), palette_(palette) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        if (isNull() || rect.isEmpty())
            return;
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QImage image(rect.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter drawing(&image);
            glyph_->render(&drawing, QRectF(image.rect()));
            drawing.setCompositionMode(QPainter::CompositionMode_SourceIn);
            drawing.fillRect(image.rect(), colorFor(mode));
        }
        image.setDevicePixelRatio(ratio);
        painter->drawImage(rect, image);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new GlyphIconEngine(*this); }
    bool isNull() override { return !glyph_ || !glyph_->isValid(); }

private:
    // An "off" button always looks different from an "on" one.
    QColor colorFor(QIcon::Mode mode) const {
        const QColor normal = palette_.color(QPalette::Active, QPalette::ButtonText);
        if (mode == QIcon::Selected)
            return palette_.color(QPalette::Active, QPalette::HighlightedText);
        if (mode != QIcon::Disabled)
            return normal;
        QColor disabled = palette_.color(QPalette::Disabled, QPalette::ButtonText);
        if (disabled == normal)
            disabled.setAlphaF(0.35f);
        return disabled;
    }

    QSvgRenderer* glyph_;
    QPalette palette_;
};

} // namespace

// The images are compiled into this static library; every program that links it finds them once this ran.
static void registerImages() {
    static const bool kRegistered = [] {
        Q_INIT_RESOURCE(images);
        Q_INIT_RESOURCE(comboboxx);
        return true;
    }();
    Q_UNUSED(kRegistered);
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

QIcon glyphIcon(const QString& file, const QPalette& palette) {
    // Kept until the process ends, as the icons that draw them may be.
    static auto* const kRead = [] {
        registerImages();
        return new QHash<QString, QSvgRenderer*>;
    }();
    QSvgRenderer*& glyph = (*kRead)[file];
    if (!glyph) {
        glyph = new QSvgRenderer(file);
        glyph->setAspectRatioMode(Qt::KeepAspectRatio);
    }
    return QIcon(new GlyphIconEngine(glyph, palette));
}
