#include "ui/qt/QtStyle.h"

namespace velmora {

QString CyanDuskStyleSheet() {
    return QStringLiteral(R"(
QWidget#VelmoraForm { background: #dff3f3; }
QLabel { color: #12393d; }
QLineEdit, QComboBox {
    background: #ffffff; color: #102a2d;
    border: 1px solid #5aa9ad; border-radius: 3px; padding: 1px 4px;
    selection-background-color: #2f8f95; selection-color: #ffffff;
}
QLineEdit:focus, QComboBox:focus { border: 1px solid #1f7a80; }
QComboBox:disabled { background: #eef7f7; color: #7a9a9c; border-color: #a9cfd1; }
QComboBox::drop-down { border: none; width: 18px; }
QComboBox QAbstractItemView {
    background: #ffffff; selection-background-color: #2f8f95; selection-color: #ffffff;
}
QPushButton {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f4fcfc, stop:1 #c4e6e7);
    color: #12393d; border: 1px solid #5aa9ad; border-radius: 4px; padding: 2px 8px;
}
QPushButton:hover { background: #d3eff0; border-color: #1f7a80; }
QPushButton:pressed { background: #a9d9db; }
QPushButton:disabled { color: #7a9a9c; border-color: #a9cfd1; background: #e9f5f5; }
QPushButton#BtnRubi, QPushButton#BtnCancel { color: #e00000; font-weight: bold; }
QPushButton#BtnRubi:disabled { color: #d08a8a; }
QProgressBar {
    background: #ffffff; border: 1px solid #5aa9ad; border-radius: 3px;
}
QProgressBar::chunk { background: #2f9aa0; border-radius: 2px; }
QLabel#LblRubiing { background: #00ff00; color: #000000; }
QWidget#PanelHelp { background: #00ff00; border: 1px solid #3aa93a; }
QLabel#LblHelp { background: #00ff00; color: #000000; }
QMenu { background: #f4fcfc; color: #12393d; border: 1px solid #5aa9ad; }
QMenu::item:selected { background: #2f8f95; color: #ffffff; }
QMenu::separator { height: 1px; background: #a9cfd1; margin: 3px 6px; }
QToolTip { background: #f4fcfc; color: #12393d; border: 1px solid #5aa9ad; }
)");
}

}  // namespace velmora
