// The program's entry steps that come before the main window: one instance per user, the
// TLS library check and the reading dictionary.
#pragma once

#include <string>

#include "platform/InstanceLock.h"

namespace velmora {
class TMessageBox;
}

namespace velmora {

inline constexpr char kInstanceLockName[] = "VelmoraMutex";

// Takes the instance lock; when another instance holds it, or the lock cannot be taken at
// all (with the system's reason), says so and returns false.
bool TakeSingleInstance(InstanceLock& lock, TMessageBox& messages);

// The TLS library version of the download library (libcurl's ssl_version), or null.
const char* CurlTlsVersion();
// The library file that is missing when `tlsVersion` names none; empty when all is there.
std::string MissingTlsLibrary(const char* tlsVersion);
// "\"<file>\"が見つかりません。終了します。"
std::u16string TlsMissingMessage(const std::string& file);

// The message that ends the start when the reading dictionary in `folder` cannot be loaded.
std::u16string ReadingMissingMessage(const std::string& folder);

}  // namespace velmora
