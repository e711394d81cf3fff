import QtQuick
import QtQuick.Controls.Basic
import Veltrane.Hub

// A toolbar button's help, shown after the pointer rests on it. Made by the button's loader,
// over which it shows.
ToolTip {
    readonly property ToolbarButton button: parent?.parent as ToolbarButton

    text: button?.help ?? ""
    delay: 600
    visible: text.length > 0
}
