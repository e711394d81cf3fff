import QtQuick
import QtQuick.Controls.Basic
import Veltrane.Hub

// The whole window: the sidebar with the search field, the grid, the detail pane of the
// selected app, the toasts over the top edge and the quit-first alert.
Item {
    id: root

    readonly property alias sidebar: sidebar
    readonly property alias catalog: catalog
    // Made when an app is first selected and dropped when the selection is cleared. Typed as a
    // plain item: naming its type would compile the pane, and the dialogs it holds, with the
    // window instead of when it is first shown.
    readonly property Item detail: detailLoader.item as Item
    readonly property alias searchField: searchField
    // Made while a running app blocks an update; a plain object for the same reason.
    readonly property QtObject quitAlert: quitAlertLoader.item
    // Only the user hides the sidebar (its toolbar button or the View menu).
    property bool sidebarShown: true
    // One card column and the grid's margins.
    readonly property int catalogMinimumWidth: 320

    function toggleSidebar() {
        // Focus inside the sidebar would be left on a hidden item: the grid takes it.
        if (sidebarShown && (searchField.activeFocus || sidebar.list.activeFocus))
            catalog.grid.forceActiveFocus()
        sidebarShown = !sidebarShown
    }

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
            visible: root.sidebarShown
            SplitView.minimumWidth: 220
            SplitView.preferredWidth: Theme.sidebarWidth
            // Never so wide that the grid or the detail pane would be pushed out of the window.
            SplitView.maximumWidth: Math.max(220, Math.min(320, split.width - root.catalogMinimumWidth - 1
                                                           - (detailLoader.visible ? 300 + 1 : 0)))
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
            SplitView.minimumWidth: root.catalogMinimumWidth
            sidebarShown: root.sidebarShown
            onSidebarToggleRequested: root.toggleSidebar()
        }

        Loader {
            id: detailLoader
            // The selection is the only switch of this column.
            active: CatalogStore.hasSelectedApp
            visible: active
            SplitView.minimumWidth: 300
            SplitView.preferredWidth: 340
            // What the grid and the sidebar leave: at the window's smallest the pane gives way
            // down to its own minimum instead of running off the window's edge.
            SplitView.maximumWidth: Math.max(300, Math.min(420, split.width - root.catalogMinimumWidth - 1
                                                           - (sidebarColumn.visible ? sidebarColumn.width + 1 : 0)))
            // By name, so its types are compiled when it is first shown, not at start.
            source: "AppDetailView.qml"
        }
    }

    ToastLayer {
        anchors.fill: parent
        z: 10
    }

    Loader {
        id: quitAlertLoader
        // It opens itself, and closing it clears the app, which drops it.
        active: UpdateCoordinator.hasAppToQuitFirst
        source: "QuitAlert.qml"
    }
}
