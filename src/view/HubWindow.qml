import QtQuick
import Veltrane.Hub

// The one window. It opens at once on the outline of its columns, drawn from plain shapes;
// its content (menus, sidebar, grid: HubContent) takes the outline's place when it is made.
Window {
    id: window

    // Typed as a plain item: naming the content's type here would load it with the window.
    readonly property Item content: contentLoader.item as Item

    title: qsTr("Veltrane Hub")
    width: 1080
    height: 720
    minimumWidth: 880
    minimumHeight: 480
    color: Theme.secondaryBackground

    // The outline: where the menu bar, the sidebar and the grid's toolbar will be.
    Item {
        anchors.fill: parent
        visible: contentLoader.status !== Loader.Ready
        Rectangle {
            width: parent.width
            height: Theme.menuBarHeight
            color: Theme.menuBarBackground
        }
        Rectangle {
            y: Theme.menuBarHeight
            width: Theme.sidebarWidth
            height: parent.height - y
            color: Theme.sidebarBackground
        }
        Rectangle {
            x: Theme.sidebarWidth
            y: Theme.menuBarHeight
            width: parent.width - x
            height: Theme.toolbarHeight
            color: Theme.barMaterial
        }
    }

    // Made in one piece when the application says: the outline is drawn first.
    function showContent() {
        contentLoader.active = true
    }

    Loader {
        id: contentLoader
        anchors.fill: parent
        active: false
        source: "HubContent.qml"
    }
}
