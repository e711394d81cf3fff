import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Layouts
import Veltrane.Hub

// Everything about one app: header, actions with live progress, screenshots, description,
// facts, website and the open-source credit. A row of the store's selection: its roles come in as the required
// properties, so every install step and every rescan redraws what depends on it.
Flickable {
    id: content

    required property catalogApp app
    required property string categoryName
    required property string installedVersion
    required property string installedLocation
    required property bool hasUpdate
    required property installState installState

    readonly property detailActions actions: ViewRules.detailActions(app, installState, installedVersion, hasUpdate)
    readonly property MoreActionsMenu moreActions: actionsView.moreActions
    readonly property alias screenshots: screenshots

    signal uninstallRequested(catalogApp app)

    contentWidth: width
    contentHeight: column.implicitHeight + 40
    clip: true
    boundsBehavior: Flickable.StopAtBounds
    ScrollBar.vertical: ScrollBar { policy: ScrollBar.AsNeeded }

    ColumnLayout {
        id: column
        x: 20
        y: 20
        width: content.width - 40
        spacing: 18

        DetailHeader {
            Layout.fillWidth: true
            app: content.app
            showsInstalledLabel: content.actions.showsInstalledLabel
        }

        DetailActionsView {
            id: actionsView
            Layout.fillWidth: true
            app: content.app
            installedVersion: content.installedVersion
            installedLocation: content.installedLocation
            actions: content.actions
            onUninstallRequested: content.uninstallRequested(content.app)
        }

        Rectangle { Layout.fillWidth: true; height: 1; color: Theme.separator }

        DetailScreenshots {
            id: screenshots
            objectName: "screenshots"
            Layout.fillWidth: true
            Layout.preferredHeight: implicitHeight
            app: content.app
        }

        Text {
            Layout.fillWidth: true
            text: content.app.description
            textFormat: Text.PlainText
            font: Theme.callout
            color: Theme.primaryText
            wrapMode: Text.Wrap
            lineHeight: 1.15
        }

        Text {
            objectName: "failureMessage"
            Layout.fillWidth: true
            visible: text.length > 0
            text: content.actions.failureMessage
            textFormat: Text.PlainText
            font: Theme.footnote
            color: Theme.orange
            wrapMode: Text.Wrap
        }

        GridLayout {
            objectName: "facts"
            Layout.fillWidth: true
            columns: 2
            columnSpacing: 12
            rowSpacing: 8
            Repeater {
                id: facts
                model: ViewRules.facts(content.app, content.categoryName, content.installedVersion, content.hasUpdate)
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
                model: facts.model
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

        SourceLink {
            objectName: "websiteLink"
            Layout.fillWidth: true
            visible: ViewRules.linkText(content.app.homepageURL).length > 0
            title: qsTr("Website")
            url: content.app.homepageURL
        }

        SourceCreditView {
            Layout.fillWidth: true
            visible: content.app.hasSource
            credit: ViewRules.sourceCredit(content.app.source)
        }
    }
}
