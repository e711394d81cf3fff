import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Veltrane.Hub

// Everything about the selected app: header, actions with live progress, description,
// facts and the open-source credit. Asks before an app goes to the Trash.
FocusScope {
    id: detail

    readonly property bool hasApp: CatalogStore.hasSelectedApp
    readonly property catalogApp app: CatalogStore.selectedApp
    // Read from the two objects' maps, so these follow every install step and every rescan.
    readonly property installState installState: ViewRules.stateIn(UpdateCoordinator.states, app)
    readonly property string installedVersion: ViewRules.installedVersionIn(CatalogStore.installedVersions, app)
    readonly property detailActions actions: ViewRules.detailActions(app, installState, installedVersion,
                                                                     installedVersion.length > 0 && CatalogStore.hasUpdate(app))

    // The app whose uninstall waits for confirmation.
    property var appToUninstall: null
    readonly property alias uninstallDialog: uninstallDialog

    signal uninstallConfirmed(catalogApp app)
    onUninstallConfirmed: (confirmedApp) => UpdateCoordinator.uninstall(confirmedApp)

    function askToUninstall() {
        appToUninstall = app
        uninstallDialog.open()
    }

    Accessible.role: Accessible.Pane
    Accessible.name: hasApp ? app.name : qsTr("No app selected")

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

    Flickable {
        id: scroller
        anchors { fill: parent; topMargin: Theme.toolbarHeight }
        visible: detail.hasApp
        contentWidth: width
        contentHeight: column.implicitHeight + 40
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

        ColumnLayout {
            id: column
            x: 20
            y: 20
            width: scroller.width - 40
            spacing: 18

            DetailHeader {
                Layout.fillWidth: true
                app: detail.app
                showsInstalledLabel: detail.actions.showsInstalledLabel
            }

            DetailActionsView {
                Layout.fillWidth: true
                app: detail.app
                actions: detail.actions
                onUninstallRequested: detail.askToUninstall()
            }

            Rectangle { Layout.fillWidth: true; height: 1; color: Theme.separator }

            Text {
                Layout.fillWidth: true
                text: detail.app.description
                font: Theme.callout
                color: Theme.primaryText
                wrapMode: Text.Wrap
                lineHeight: 1.15
            }

            Text {
                objectName: "failureMessage"
                Layout.fillWidth: true
                visible: text.length > 0
                text: detail.actions.failureMessage
                font: Theme.footnote
                color: Theme.orange
                wrapMode: Text.Wrap
            }

            GridLayout {
                Layout.fillWidth: true
                columns: 2
                columnSpacing: 12
                rowSpacing: 8
                Repeater {
                    model: ViewRules.facts(detail.app, CatalogStore.catalog, detail.installedVersion)
                    delegate: Text {
                        required property detailFact modelData
                        required property int index
                        Layout.column: 0
                        Layout.row: index
                        text: modelData.name
                        font: Theme.callout
                        color: Theme.secondaryText
                    }
                }
                Repeater {
                    model: ViewRules.facts(detail.app, CatalogStore.catalog, detail.installedVersion)
                    delegate: Text {
                        required property detailFact modelData
                        required property int index
                        Layout.column: 1
                        Layout.row: index
                        Layout.fillWidth: true
                        text: modelData.value
                        font: Theme.callout
                        color: Theme.primaryText
                        wrapMode: Text.Wrap
                    }
                }
            }

            SourceCreditView {
                Layout.fillWidth: true
                visible: detail.app.hasSource
                credit: ViewRules.sourceCredit(detail.app.source)
            }
        }
    }

    AlertDialog {
        id: uninstallDialog
        objectName: "uninstallDialog"
        title: ViewRules.uninstallTitle(detail.appToUninstall !== null, detail.appToUninstall ? detail.appToUninstall.name : "")
        message: ViewRules.uninstallMessage()
        confirmText: qsTr("Move to Trash")
        confirmDestructive: true
        cancelText: qsTr("Cancel")
        onConfirmed: {
            if (detail.appToUninstall !== null)
                detail.uninstallConfirmed(detail.appToUninstall)
            detail.appToUninstall = null
        }
        onCancelled: detail.appToUninstall = null
        onClosed: detail.appToUninstall = null
    }
}
