import QtQuick
import QtQuick.Controls.Basic
import Veltrane.Hub

// The window's push button: bordered (a light fill) or prominent (filled with the brand
// colour), regular or large, with an optional leading symbol.
Button {
    id: button

    property bool prominent: false
    property bool large: false
    property string symbol
    property color tint: Theme.accent

    readonly property color foreground: prominent ? "white" : Theme.primaryText

    implicitHeight: large ? 34 : 28
    leftPadding: large ? 16 : 12
    rightPadding: leftPadding
    font: large ? Theme.headline : Theme.body
    opacity: enabled ? 1 : 0.55
    focusPolicy: Qt.StrongFocus
    Accessible.name: text

    contentItem: Item {
        implicitWidth: children[0].implicitWidth
        implicitHeight: children[0].implicitHeight
        Row {
            anchors.centerIn: parent
            spacing: 6
            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                visible: button.symbol.length > 0
                name: button.symbol
                size: button.large ? 16 : 14
                color: button.foreground
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: button.text
                textFormat: Text.PlainText
                font: button.font
                color: button.foreground
                elide: Text.ElideRight
            }
        }
    }

    background: Rectangle {
        radius: 7
        color: button.prominent ? (button.down ? Qt.darker(button.tint, 1.15) : button.tint)
                                : (button.down ? Qt.rgba(0, 0, 0, 0.12) : Theme.borderedFill)
        border.width: button.visualFocus ? 2 : 0
        border.color: Qt.lighter(Theme.accent, 1.3)
    }
}
