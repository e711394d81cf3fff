import QtQuick
import QtQuick.Layouts
import Veltrane.Hub

// The detail pane's buttons: install / update / progress / retry (or "Not available yet") with
// the price beside it, the running download with Cancel, then Open with the more-actions
// menu. Any row may be absent.
ColumnLayout {
    id: actionsView

    required property catalogApp app
    required property string installedVersion
    required property string installedLocation
    required property detailActions actions
    // The kept copy's version reads the disk, so it is read again only when an install, update,
    // going back or uninstall of the app begins or ends, or the installed copy changes; never
    // with each progress report.
    property string keptVersion
    readonly property MoreActionsMenu moreActions: moreMenu

    function readKeptVersion() {
        keptVersion = UpdateCoordinator.keptVersion(app)
    }

    onAppChanged: readKeptVersion()
    onInstalledVersionChanged: readKeptVersion()
    Component.onCompleted: readKeptVersion()

    Connections {
        target: UpdateCoordinator
        function onActivityChanged(appID: string) {
            if (appID === actionsView.app.id)
                actionsView.readKeptVersion()
        }
    }

    signal uninstallRequested

    spacing: 8
    visible: actions.showsPrimary || actions.showsUnavailable || actions.showsOpenRow || transfer.active

    RowLayout {
        Layout.fillWidth: true
        visible: actionsView.actions.showsPrimary || actionsView.actions.showsUnavailable
        spacing: 10

        HubButton {
            objectName: "primaryButton"
            Layout.fillWidth: true
            visible: actionsView.actions.showsPrimary
            enabled: actionsView.actions.primaryEnabled
            prominent: true
            large: true
            text: actionsView.actions.primaryTitle
            symbol: actionsView.actions.primarySymbol
            onClicked: UpdateCoordinator.install(actionsView.app)
        }
        HubButton {
            objectName: "unavailableButton"
            Layout.fillWidth: true
            visible: actionsView.actions.showsUnavailable
            enabled: false
            large: true
            text: qsTr("Not available yet")
        }
        Text {
            objectName: "priceLabel"
            visible: text.length > 0
            text: ViewRules.price(actionsView.app.price)
            textFormat: Text.PlainText
            font: Theme.headline
            color: Theme.primaryText
        }
    }

    DetailTransferView {
        id: transfer
        Layout.fillWidth: true
        app: actionsView.app
    }

    RowLayout {
        Layout.fillWidth: true
        visible: actionsView.actions.showsOpenRow
        spacing: 6

        HubButton {
            objectName: "openButton"
            Layout.fillWidth: true
            prominent: actionsView.actions.openIsProminent
            large: true
            text: qsTr("Open")
            symbol: "arrow.up.forward.app"
            // Nothing without an installed copy.
            onClicked: UpdateCoordinator.openApp(actionsView.installedLocation)
        }
        MoreActionsMenu {
            id: moreMenu
            objectName: "moreActions"
            MenuEntry {
                objectName: "goBackItem"
                // Collapsed rather than only hidden: a hidden menu item keeps its place.
                height: actionsView.keptVersion.length > 0 ? implicitHeight : 0
                visible: height > 0
                text: qsTr("Go Back to %1").arg(actionsView.keptVersion)
                symbol: "clock"
                onTriggered: UpdateCoordinator.goBack(actionsView.app)
            }
            MenuEntry {
                objectName: "uninstallItem"
                text: qsTr("Uninstall…")
                symbol: "trash"
                destructive: true
                onTriggered: actionsView.uninstallRequested()
            }
        }
    }
}
