#pragma once

#include <QIcon>

class QPalette;
class QString;

// The image lists of the main window. Their images are the drawings ":/<list>/<index>.svg" of images.qrc.
enum class ImageList {
    ImageList1,     // rule and statistics list views
    CacheSkipImage, // cache-skip kinds: 0 "Cache Denied", 1 "Cache Access", 2 "Code Blocking"
    IAuth,          // authorization types: 0 "Input", 1 "Output"
    ImageCache,     // URL rule kinds: 0 "Url Access", 1 "Url Denied"
};

// Indexes of ImageList1 that the rule lists use.
namespace mainimage {
constexpr int kGroup = 0;
constexpr int kHost = 1;
constexpr int kAccess = 5;
constexpr int kDeny = 6;
constexpr int kWord = 7;
constexpr int kInputLogin = 10;
constexpr int kOutputLogin = 11;
} // namespace mainimage

// Number of images in `list`.
int imageCount(ImageList list);

// Image `index` of `list`; a null icon for an index outside the list. Icons are loaded once and shared.
QIcon listImage(ImageList list, int index);

// A one-colour drawing of the resources (an SVG file such as ":/comboboxx/new.svg") as an icon in a colour of the
// palette: its button text, the highlighted text when selected, and the disabled text (or a faded button text where
// the palette gives both alike) when off. So it reads on light and dark palettes and stays sharp at any scale; a
// widget gives it anew when its palette changes. Each drawing is read once.
QIcon glyphIcon(const QString& file, const QPalette& palette);
