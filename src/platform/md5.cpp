#include "platform/md5.h"

#include <openssl/evp.h>

#include <cstdio>

namespace brevio::platform {

std::string Md5Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &len, EVP_md5(), nullptr);
    std::string hex;
    hex.reserve(len * 2);
    char pair[3];
    for (unsigned int i = 0; i < len; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

}  // namespace brevio::platform
