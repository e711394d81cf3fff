import QtQuick
import QtQuick.Controls.Basic
import Veltrane.Hub

// A menu item with a leading symbol; destructive items are drawn in red.
MenuItem {
    id: entry

    property string symbol
    property bool destructive: false

    readonly property color foreground: highlighted ? "white" : destructive ? "#d70015" : Theme.primaryText

    implicitWidth: 200
    implicitHeight: 30
    font: Theme.body
    Accessible.name: text

    contentItem: Row {
        spacing: 8
        leftPadding: 4
        SymbolIcon {
            anchors.verticalCenter: parent.verticalCenter
            name: entry.symbol
            size: 15
            color: entry.foreground
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: entry.text
            textFormat: Text.PlainText
            font: entry.font
            color: entry.foreground
        }
    }
    background: Rectangle {
        radius: 5
        color: entry.highlighted ? Theme.accent : "transparent"
    }
}
