import QtQuick
import QtQuick.Controls.Basic
import Veltrane.Hub

// A square "⋮" button that opens a menu of the items its user puts in it.
Item {
    id: moreActions

    default property alias items: menu.contentData
    readonly property bool isHovered: hover.hovered
    readonly property alias menu: menu

    width: 32
    height: 32
    activeFocusOnTab: true
    Accessible.role: Accessible.ButtonMenu
    Accessible.name: qsTr("More actions")
    Accessible.onPressAction: menu.open()
    Keys.onSpacePressed: menu.open()
    Keys.onReturnPressed: menu.open()

    ToolTip.visible: isHovered && !menu.visible
    ToolTip.delay: 600
    ToolTip.text: qsTr("More actions")

    Rectangle {
        anchors.fill: parent
        radius: 7
        color: moreActions.isHovered || menu.visible ? Theme.quaternaryFill : "transparent"
        border.width: moreActions.activeFocus ? 2 : 0
        border.color: Theme.accent
    }
    // The vertical ellipsis, drawn from the icon set so it looks the same everywhere.
    SymbolIcon {
        anchors.centerIn: parent
        name: "ellipsis.vertical"
        size: 18
        color: Theme.secondaryText
    }
    HoverHandler { id: hover }
    TapHandler { onTapped: menu.open() }

    Menu {
        id: menu
        y: moreActions.height + 2
    }
}
