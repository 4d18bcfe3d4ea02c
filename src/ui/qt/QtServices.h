// The Qt side of the services the window logic is given: message boxes, the timer and the
// message loop.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "browser/TMessageBox.h"
#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/Timer.h"

class QWidget;

namespace velmora {

// Message boxes owned by the main window and kept above all other windows. Every box is
// recorded; an automatic answer skips the modal loop (tests, the screenshot tool).
class QtMessageBox final : public TMessageBox {
public:
    struct Shown {
        QString text;
        Icon icon;
    };

    void SetOwner(QWidget* owner) { owner_ = owner; }
    Button Show(const std::u16string& text, Icon icon = Information,
                unsigned buttons = Ok) override;

    // Every box from now on is answered with `answer` without being shown; NoButton shows
    // them again.
    void SetAutoAnswer(Button answer) { autoAnswer_ = answer; }
    const QList<Shown>& History() const { return history_; }
    QStringList Texts() const;
    void ClearHistory() { history_.clear(); }

private:
    QWidget* owner_ = nullptr;
    Button autoAnswer_ = NoButton;
    QList<Shown> history_;
};

class QtTimer final : public Timer {
public:
    QtTimer();
    void SetInterval(int milliseconds) override { timer_.setInterval(milliseconds); }
    int Interval() const override { return timer_.interval(); }
    void Start() override { timer_.start(); }
    void Stop() override { timer_.stop(); }
    bool Active() const override { return timer_.isActive(); }
    void SetOnTimer(std::function<void()> handler) override { handler_ = std::move(handler); }

private:
    QTimer timer_;
    std::function<void()> handler_;
};

// Qt's event loop; tasks posted from any thread run on the thread that created the pump.
class QtEventPump final : public EventPump {
public:
    void ProcessMessages() override;
    void Post(std::function<void()> task) override;

private:
    QObject context_;
};

// The services of one main window, together.
struct QtServices {
    QtMessageBox messages;
    QtTimer timer;
    QtEventPump pump;
    SteadyClock clock;
};

}  // namespace velmora
