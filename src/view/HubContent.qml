import QtQuick
import Veltrane.Hub

// Everything the window shows: the menu bar above the root view.
Item {
    id: content

    readonly property alias rootView: rootView
    readonly property alias menuBar: menuBar
    // Made on first use: a second window costs start-up time.
    readonly property Window aboutPanel: aboutLoader.item as Window

    function showAbout() {
        aboutLoader.active = true
        const panel = content.aboutPanel
        panel.transientParent = content.Window.window
        panel.visible = true
        panel.raise()
        panel.requestActivate()
    }

    palette.highlight: Theme.accent

    HubMenuBar {
        id: menuBar
        width: parent.width
        height: Theme.menuBarHeight
        model: [
            { title: qsTr("&File"), commands: [quitCommand] },
            { title: qsTr("&View"), commands: [refreshCommand, sidebarCommand] },
            { title: qsTr("&Help"), commands: [aboutCommand] },
        ]
    }
    Command {
        id: quitCommand
        text: qsTr("Quit")
        keys: StandardKey.Quit // qmllint disable unqualified
        // The application object shuts down cleanly when its event loop ends.
        onTriggered: Qt.quit()
    }
    Command {
        id: refreshCommand
        text: qsTr("Refresh Catalogue")
        keys: "Ctrl+R"
        // Never disabled: a second press runs a second refresh.
        onTriggered: CatalogStore.startLoad(CatalogStore.Refresh)
    }
    Command {
        id: sidebarCommand
        text: rootView.sidebarShown ? qsTr("Hide Sidebar") : qsTr("Show Sidebar")
        keys: "Ctrl+Alt+S"
        onTriggered: rootView.toggleSidebar()
    }
    Command {
        id: aboutCommand
        text: qsTr("About Veltrane Hub")
        onTriggered: content.showAbout()
    }

    RootView {
        id: rootView
        anchors { left: parent.left; right: parent.right; top: menuBar.bottom; bottom: parent.bottom }
    }

    Loader {
        id: aboutLoader
        active: false
        source: "AboutPanel.qml"
    }
}
