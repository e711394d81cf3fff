import QtQuick
import QtQuick.Controls.Basic
import Veltrane.Hub

// An item of the menu bar's menus: the action's text, and its shortcut at the trailing edge,
// as this platform writes it ("Ctrl+Q"), standard keys included.
MenuItem {
    id: item

    readonly property string shortcutText: keys.nativeText

    implicitWidth: leftPadding + 4 + textWidth.advanceWidth + 32 + shortcutWidth.advanceWidth + 4 + rightPadding
    implicitHeight: 30
    font: Theme.body
    Accessible.name: text

    // Only to spell the shortcut: the action itself owns it.
    Shortcut {
        id: keys
        enabled: false
        sequence: item.action ? item.action.shortcut : ""
    }
    TextMetrics { id: textWidth; font: item.font; text: item.text }
    TextMetrics { id: shortcutWidth; font: item.font; text: item.shortcutText }

    contentItem: Item {
        Text {
            anchors { left: parent.left; leftMargin: 4; verticalCenter: parent.verticalCenter }
            text: item.text
            font: item.font
            color: item.highlighted ? "white" : item.enabled ? Theme.primaryText : Theme.tertiaryText
        }
        Text {
            objectName: "shortcutLabel"
            anchors { right: parent.right; rightMargin: 4; verticalCenter: parent.verticalCenter }
            text: item.shortcutText
            font: item.font
            color: item.highlighted ? "white" : Theme.secondaryText
        }
    }
    background: Rectangle {
        radius: 5
        color: item.highlighted ? Theme.accent : "transparent"
    }
}
