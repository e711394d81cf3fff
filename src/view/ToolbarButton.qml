import QtQuick
import Veltrane.Hub

// A borderless symbol button for a column's toolbar, with hover help. Drawn from plain items:
// the toolbars are in the window from the start; the help is made when first needed.
Item {
    id: button

    property string text
    property string symbol
    property string help
    readonly property bool hovered: hover.hovered
    readonly property bool down: tap.pressed
    signal clicked

    implicitWidth: 32
    implicitHeight: 28
    activeFocusOnTab: true
    Accessible.role: Accessible.Button
    Accessible.name: text
    Accessible.description: help
    Accessible.onPressAction: button.clicked()
    Keys.onPressed: (event) => {
        event.accepted = !event.isAutoRepeat && (event.key === Qt.Key_Space || event.key === Qt.Key_Return
                                                 || event.key === Qt.Key_Enter)
        if (event.accepted)
            button.clicked()
    }

    Rectangle {
        anchors.fill: parent
        radius: 7
        color: button.down ? Qt.rgba(0, 0, 0, 0.12) : (button.hovered ? Theme.hoverFill : "transparent")
        // Only the keyboard gives it focus: a click does not.
        border.width: button.activeFocus ? 2 : 0
        border.color: Theme.accent
    }
    SymbolIcon {
        anchors.centerIn: parent
        name: button.symbol
        size: 18
        color: Theme.secondaryText
    }
    HoverHandler { id: hover }
    TapHandler {
        id: tap
        onTapped: button.clicked()
    }
    Loader {
        anchors.fill: parent
        active: button.hovered && button.help.length > 0
        source: "HoverHelp.qml"
    }
}
