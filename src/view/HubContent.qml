import QtQuick
import QtQuick.Controls.Basic
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

    MenuBar {
        id: menuBar
        width: parent.width
        height: Theme.menuBarHeight
        font: Theme.body
        // The colour the window's outline draws before the content is ready.
        background: Rectangle { color: Theme.menuBarBackground }
        CommandMenu {
            title: qsTr("&File")
            Action {
                text: qsTr("Quit")
                shortcut: StandardKey.Quit // qmllint disable unqualified
                // The application object shuts down cleanly when its event loop ends.
                onTriggered: Qt.quit()
            }
        }
        CommandMenu {
            title: qsTr("&View")
            Action {
                text: qsTr("Refresh Catalogue")
                shortcut: "Ctrl+R"
                // Never disabled: a second press runs a second refresh.
                onTriggered: CatalogStore.startLoad(CatalogStore.Refresh)
            }
            Action {
                text: rootView.sidebarShown ? qsTr("Hide Sidebar") : qsTr("Show Sidebar")
                shortcut: "Ctrl+Alt+S"
                onTriggered: rootView.toggleSidebar()
            }
        }
        CommandMenu {
            title: qsTr("&Help")
            Action {
                text: qsTr("About Veltrane Hub")
                onTriggered: content.showAbout()
            }
        }
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
