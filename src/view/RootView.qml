import QtQuick
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

    // The columns side by side: the sidebar, the grid, which takes what the others leave, and
    // the detail pane. The handles between them move the sidebar's and the pane's widths,
    // each within its bounds.
    Item {
        id: split
        anchors.fill: parent

        property real sidebarPreferredWidth: Theme.sidebarWidth
        property real detailPreferredWidth: 340
        // Never so wide that the grid or the detail pane would be pushed out of the window;
        // at the window's smallest the pane gives way down to its own minimum.
        readonly property real sidebarMaximumWidth: Math.max(220, Math.min(320, width - root.catalogMinimumWidth - 1
                                                                          - (detailLoader.visible ? 300 + 1 : 0)))
        readonly property real detailMaximumWidth: Math.max(300, Math.min(420, width - root.catalogMinimumWidth - 1
                                                                         - (sidebarColumn.visible ? sidebarColumn.width + 1 : 0)))

        Rectangle {
            id: sidebarColumn
            visible: root.sidebarShown
            width: Math.max(220, Math.min(split.sidebarMaximumWidth, split.sidebarPreferredWidth))
            height: parent.height
            color: Theme.sidebarBackground

            Text {
                id: sidebarTitle
                anchors { left: parent.left; leftMargin: 18; top: parent.top }
                height: Theme.toolbarHeight
                verticalAlignment: Text.AlignVCenter
                text: qsTr("Veltrane")
                textFormat: Text.PlainText
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
        ColumnHandle {
            x: sidebarColumn.width
            visible: sidebarColumn.visible
            onMoved: (by) => split.sidebarPreferredWidth = Math.max(220, Math.min(split.sidebarMaximumWidth,
                                                                                   sidebarColumn.width + by))
        }

        CatalogView {
            id: catalog
            x: sidebarColumn.visible ? sidebarColumn.width + 1 : 0
            width: (detailLoader.visible ? detailLoader.x - 1 : split.width) - x
            height: parent.height
            sidebarShown: root.sidebarShown
            onSidebarToggleRequested: root.toggleSidebar()
        }

        ColumnHandle {
            x: detailLoader.x - 1
            visible: detailLoader.visible
            onMoved: (by) => split.detailPreferredWidth = Math.max(300, Math.min(split.detailMaximumWidth,
                                                                                  detailLoader.width - by))
        }
        Loader {
            id: detailLoader
            // The selection is the only switch of this column.
            active: CatalogStore.hasSelectedApp
            visible: active
            x: split.width - width
            width: Math.max(300, Math.min(split.detailMaximumWidth, split.detailPreferredWidth))
            height: parent.height
            // By name, so its types are compiled when it is first shown, not at start.
            source: "AppDetailView.qml"
        }
    }

    // A one-point line between two columns that the pointer can drag: it reports how far.
    component ColumnHandle: Rectangle {
        id: handle
        signal moved(real by)
        z: 1  // its grip reaches over both neighbours
        width: 1
        height: parent.height
        color: Theme.separator
        MouseArea {
            anchors { fill: parent; leftMargin: -3; rightMargin: -3 }
            cursorShape: Qt.SplitHCursor
            property real pressedX
            onPressed: (mouse) => pressedX = mapToItem(null, mouse.x, 0).x
            onPositionChanged: (mouse) => {
                const x = mapToItem(null, mouse.x, 0).x
                handle.moved(x - pressedX)
                pressedX = x
            }
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
