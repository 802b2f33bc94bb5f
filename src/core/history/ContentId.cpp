#include "history/ContentId.h"

#include "common/Error.h"

#include <openssl/evp.h>

namespace history {

std::string contentId(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1)
        throw GlymError("SHA-256 is not available");
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string id;
    id.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        id += kDigits[digest[i] >> 4];
        id += kDigits[digest[i] & 0xF];
    }
    return id;
}

bool isContentId(std::string_view text) {
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

} // namespace history
