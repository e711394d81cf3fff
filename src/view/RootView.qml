import QtQuick
import QtQuick.Controls.Basic
import Veltrane.Hub

// The whole window: the sidebar with the search field, the grid, the detail pane of the
// selected app, the toasts over the top edge and the quit-first alert.
Item {
    id: root

    readonly property alias sidebar: sidebar
    readonly property alias catalog: catalog
    // Made when an app is first selected and dropped when the selection is cleared.
    readonly property AppDetailView detail: detailLoader.item as AppDetailView
    readonly property alias searchField: searchField
    // Made when a running app first blocks an update.
    readonly property QuitAlert quitAlert: quitAlertLoader.item as QuitAlert

    palette.highlight: Theme.accent

    SplitView {
        id: split
        anchors.fill: parent
        orientation: Qt.Horizontal
        handle: Rectangle {
            implicitWidth: 1
            color: Theme.separator
        }

        Rectangle {
            id: sidebarColumn
            SplitView.minimumWidth: 220
            SplitView.preferredWidth: Theme.sidebarWidth
            SplitView.maximumWidth: 320
            color: Theme.sidebarBackground

            Text {
                id: sidebarTitle
                anchors { left: parent.left; leftMargin: 18; top: parent.top }
                height: Theme.toolbarHeight
                verticalAlignment: Text.AlignVCenter
                text: qsTr("Veltrane")
                font: Theme.title
                color: Theme.primaryText
                Accessible.role: Accessible.Heading
            }
            SearchField {
                id: searchField
                objectName: "searchField"
                anchors { left: parent.left; right: parent.right; top: sidebarTitle.bottom; margins: 10; topMargin: 0 }
                focus: true
            }
            SidebarView {
                id: sidebar
                anchors { left: parent.left; right: parent.right; top: searchField.bottom; topMargin: 8; bottom: parent.bottom }
            }
        }

        CatalogView {
            id: catalog
            SplitView.fillWidth: true
            SplitView.minimumWidth: 320
        }

        Loader {
            id: detailLoader
            // The selection is the only switch of this column.
            active: CatalogStore.hasSelectedApp
            visible: active
            SplitView.minimumWidth: 300
            SplitView.preferredWidth: 340
            SplitView.maximumWidth: 420
            // By name, so its types are compiled when it is first shown, not at start.
            source: "AppDetailView.qml"
        }
    }

    ToastLayer {
        anchors.fill: parent
        z: 10
    }

    Shortcut {
        sequence: "Escape"
        enabled: CatalogStore.hasSelectedApp && !(root.quitAlert && root.quitAlert.visible)
                 && !(root.detail && root.detail.asking)
        onActivated: CatalogStore.selectedAppID = ""
    }

    Loader {
        id: quitAlertLoader
        active: false
        source: "QuitAlert.qml"
    }

    Connections {
        target: UpdateCoordinator
        function onAppToQuitFirstChanged() {
            if (!UpdateCoordinator.hasAppToQuitFirst)
                return
            quitAlertLoader.active = true
            root.quitAlert.open()
        }
    }
}
