import QtQuick
import QtQuick.Controls.Basic
import Veltrane.Hub

// A borderless symbol button for a column's toolbar, with hover help.
ToolButton {
    id: button

    property string symbol
    property string help

    implicitWidth: 32
    implicitHeight: 28
    focusPolicy: Qt.StrongFocus
    display: AbstractButton.IconOnly
    Accessible.name: text
    Accessible.description: help
    ToolTip.visible: hovered && help.length > 0
    ToolTip.delay: 600
    ToolTip.text: help

    contentItem: Item {
        SymbolIcon {
            anchors.centerIn: parent
            name: button.symbol
            size: 18
            color: Theme.secondaryText
        }
    }
    background: Rectangle {
        radius: 7
        color: button.down ? Qt.rgba(0, 0, 0, 0.12) : (button.hovered ? Theme.hoverFill : "transparent")
        border.width: button.visualFocus ? 2 : 0
        border.color: Theme.accent
    }
}
