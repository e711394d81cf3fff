pragma ComponentBehavior: Bound
import QtQuick
import Veltrane.Hub

// The detail pane: the selected app's details under a toolbar with the close button, and the
// question before an app goes to the Trash.
FocusScope {
    id: detail

    readonly property bool hasApp: CatalogStore.hasSelectedApp
    // The selected app's content; null while none is selected.
    readonly property AppDetailContent content: contentRepeater.count > 0 ? contentRepeater.itemAt(0) as AppDetailContent : null
    // Made when an uninstall is first asked for.
    readonly property UninstallDialog uninstallDialog: dialogLoader.item as UninstallDialog
    readonly property bool asking: uninstallDialog !== null && uninstallDialog.visible

    function askToUninstall(app: catalogApp) {
        dialogLoader.active = true
        const dialog = detail.uninstallDialog
        dialog.app = app
        dialog.open()
    }

    Accessible.role: Accessible.Pane
    Accessible.name: content ? content.app.name : qsTr("No app selected")

    Rectangle { anchors.fill: parent; color: Theme.textBackground }

    Rectangle {
        id: toolbar
        anchors { left: parent.left; right: parent.right; top: parent.top }
        height: Theme.toolbarHeight
        color: Theme.barMaterial
        z: 1
        ToolbarButton {
            objectName: "closeButton"
            anchors { right: parent.right; rightMargin: 12; verticalCenter: parent.verticalCenter }
            visible: detail.hasApp
            text: qsTr("Close")
            symbol: "xmark"
            help: qsTr("Close details")
            onClicked: CatalogStore.selectedAppID = ""
        }
        Rectangle {
            anchors { left: parent.left; right: parent.right; bottom: parent.bottom }
            height: 1
            color: Theme.separator
        }
    }

    Placeholder {
        anchors { fill: parent; topMargin: Theme.toolbarHeight }
        visible: !detail.hasApp
        symbol: "hand.tap"
        title: qsTr("No app selected")
        description: qsTr("Pick an app to see its details.")
    }

    Item {
        id: contentArea
        anchors { fill: parent; topMargin: Theme.toolbarHeight }
        // One row while an app is selected.
        Repeater {
            id: contentRepeater
            model: CatalogStore.selection
            delegate: AppDetailContent {
                width: contentArea.width
                height: contentArea.height
                onUninstallRequested: (app) => detail.askToUninstall(app)
            }
        }
    }

    // Escape closes the pane, unless a question is open over it.
    Shortcut {
        sequence: "Escape"
        enabled: detail.hasApp && !detail.asking && !UpdateCoordinator.hasAppToQuitFirst
        onActivated: CatalogStore.selectedAppID = ""
    }

    Loader {
        id: dialogLoader
        active: false
        source: "UninstallDialog.qml"
        onLoaded: (item as UninstallDialog).uninstallConfirmed.connect(app => UpdateCoordinator.uninstall(app))
    }
}
