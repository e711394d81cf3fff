import QtQuick
import QtQuick.Controls.Basic
import Veltrane.Hub

// Everything the window shows: the menu bar above the root view.
Item {
    id: content

    readonly property alias rootView: rootView
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
        Menu {
            title: qsTr("&View")
            Action {
                text: qsTr("Refresh Catalogue")
                shortcut: "Ctrl+R"
                // Never disabled: a second press runs a second refresh.
                onTriggered: CatalogStore.startLoad(CatalogStore.Refresh)
            }
        }
        Menu {
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
