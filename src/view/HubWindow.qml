import QtQuick
import QtQuick.Controls.Basic
import Veltrane.Hub

// The one window: the menu bar, the root view and the About panel.
ApplicationWindow {
    id: window

    readonly property alias rootView: rootView
    // Made on first use: a second window costs start-up time.
    readonly property AboutPanel aboutPanel: aboutLoader.item as AboutPanel

    function showAbout() {
        aboutLoader.active = true
        const panel = aboutLoader.item as AboutPanel
        panel.transientParent = window
        panel.show()
    }

    title: qsTr("Veltrane Hub")
    width: 1080
    height: 720
    minimumWidth: 880
    minimumHeight: 480
    font: Theme.body
    palette.highlight: Theme.accent

    menuBar: MenuBar {
        font: Theme.body
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
                onTriggered: window.showAbout()
            }
        }
    }

    RootView {
        id: rootView
        anchors.fill: parent
    }

    Loader {
        id: aboutLoader
        active: false
        sourceComponent: AboutPanel {}
    }
}
