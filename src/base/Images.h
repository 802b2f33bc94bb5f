#pragma once

#include <QIcon>

// The image lists of the main window. Their images are the files ":/<list>/<index>.xpm" of images.qrc.
enum class ImageList {
    ImageList1,     // rule and statistics list views
    CacheSkipImage, // cache-skip kinds: 0 "Cache Denied", 1 "Cache Access", 2 "Code Blocking"
    IAuth,          // authorization types: 0 "Input", 1 "Output"
    ImageCache,     // URL rule kinds: 0 "Url Access", 1 "Url Denied"
};

// Indexes of ImageList1 that the rule lists use.
namespace MainImage {
constexpr int Group = 0;
constexpr int Host = 1;
constexpr int Access = 5;
constexpr int Deny = 6;
constexpr int Word = 7;
constexpr int InputLogin = 10;
constexpr int OutputLogin = 11;
} // namespace MainImage

// Number of images in `list`.
int imageCount(ImageList list);

// Image `index` of `list`; a null icon for an index outside the list. Icons are loaded once and shared.
QIcon listImage(ImageList list, int index);
