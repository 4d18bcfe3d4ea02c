#include "pipeline/Download.h"

namespace velmora {

struct Downloader::Impl {};

Downloader::Downloader() : impl_(std::make_unique<Impl>()) {}
Downloader::~Downloader() = default;
void Downloader::Start(const std::u16string&) {
    FDownLoadError = true;
    FIsDLCancel = false;
    MS.clear();
    IsDownLoading = false;
}
void Downloader::DeliverPending(const JobHooks&) {}
void Downloader::WaitForNews(std::chrono::milliseconds) {}
void Downloader::SetNewsCallback(std::function<void()>) {}
void Downloader::BtnCancelClick() {}
bool Downloader::IsConnected() const { return false; }
void Downloader::SetExtraCaFile(const std::string&) {}

}  // namespace velmora
