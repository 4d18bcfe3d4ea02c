#include "ui/qt/QtDesktop.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "browser/TVelmoraForm.h"

namespace velmora {

bool QtClipboard::ReadText(std::u16string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData(QClipboard::Clipboard) : nullptr;
    if (!data) return false;
    text = data->hasText() ? data->text().toStdU16String() : std::u16string();
    return true;
}

QtDesktopEvents::QtDesktopEvents(TVelmoraForm& form, KeyHook* hook) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        QObject::connect(clipboard, &QClipboard::changed, this, [&form](QClipboard::Mode mode) {
            if (mode == QClipboard::Clipboard) form.WMDrawClipboard();
        });
    }
    if (hook && hook->EventFd() >= 0) {
        keys_ = std::make_unique<QSocketNotifier>(hook->EventFd(), QSocketNotifier::Read);
        QObject::connect(keys_.get(), &QSocketNotifier::activated, this,
                         [hook] { hook->Dispatch(); });
        // Reports already read off the connection do not make it readable again.
        hook->Dispatch();
    }
}

}  // namespace velmora
