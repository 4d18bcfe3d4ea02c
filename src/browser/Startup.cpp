#include "browser/Startup.h"

#include <curl/curl.h>
#include <openssl/opensslv.h>

#include "base/Text.h"
#include "browser/TMessageBox.h"

namespace velmora {

bool TakeSingleInstance(InstanceLock& lock, TMessageBox& messages) {
    if (lock.TryLock(kInstanceLockName)) return true;
    if (const std::string failure = lock.Failure(); !failure.empty()) {
        // Without the lock a second instance could run beside this one.
        messages.Info(u"二重起動(にじゅうきどう)を防(ふせ)ぐロックが取(と)れません。\r" +
                      FromUtf8(failure) + u"\r終了します。");
        return false;
    }
    messages.Info(u"「ヴェルモラ」は既に起動しています。\rタスクバーを確認してください。");
    return false;
}

const char* CurlTlsVersion() {
    const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
    return info ? info->ssl_version : nullptr;
}

std::string MissingTlsLibrary(const char* tlsVersion) {
    if (tlsVersion && *tlsVersion) return {};
    // The HTTPS download is built on OpenSSL; name the library file it loads.
    return "libssl.so." + std::to_string(OPENSSL_VERSION_MAJOR);
}

std::u16string TlsMissingMessage(const std::string& file) {
    return u"\"" + FromUtf8(file) + u"\"が見つかりません。終了します。";
}

std::u16string ReadingMissingMessage(const std::string& folder) {
    return u"読(よ)み方(かた)の辞書(じしょ) \"" + FromUtf8(folder) +
           u"\" が見つかりません。\r"
           u"パッケージ mecab-ipadic-utf8 をインストールしてください。終了します。";
}

}  // namespace velmora
