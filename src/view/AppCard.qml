import QtQuick
import Veltrane.Hub

// The tile of one app in the grid: icon, name, install status and tagline on a rounded card
// whose border shows the selection. Clicks are the grid's business.
Rectangle {
    id: card

    required property catalogApp app
    // The installed version (empty when none) and the update rule, from the app's row.
    required property string installedVersion
    required property bool hasUpdate
    required property bool isSelected

    readonly property cardStatus status: ViewRules.cardStatus(installedVersion, app.version, hasUpdate)

    radius: Theme.cardRadius
    color: Theme.textBackground
    implicitHeight: content.implicitHeight + 2 * Theme.cardInset

    Accessible.role: Accessible.Button
    Accessible.name: app.name
    Accessible.description: (status.text.length > 0 ? status.text + ". " : "") + app.tagline

    Row {
        id: content
        x: Theme.cardInset
        y: Theme.cardInset
        width: parent.width - 2 * Theme.cardInset
        spacing: 14

        AppIcon {
            url: card.app.iconURL
            name: card.app.name
            size: Theme.cardIcon
        }

        Column {
            width: content.width - Theme.cardIcon - content.spacing
            spacing: 4

            Row {
                width: parent.width
                spacing: 8
                Text {
                    id: nameText
                    anchors.verticalCenter: parent.verticalCenter
                    width: Math.min(implicitWidth, parent.width - (statusLabel.visible ? statusLabel.width + 8 : 0))
                    text: card.app.name
                    font: Theme.headline
                    color: Theme.primaryText
                    elide: Text.ElideRight
                }
                Row {
                    id: statusLabel
                    anchors.verticalCenter: parent.verticalCenter
                    visible: card.status.isShown
                    spacing: 4
                    readonly property color tint: card.status.isUpdate ? Theme.accent : Theme.secondaryText
                    SymbolIcon {
                        anchors.verticalCenter: parent.verticalCenter
                        name: card.status.symbol
                        size: 12
                        color: statusLabel.tint
                    }
                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        text: card.status.text
                        font: card.status.isUpdate ? Theme.captionMedium : Theme.caption
                        color: statusLabel.tint
                    }
                }
            }

            Text {
                width: parent.width
                text: card.app.tagline
                font: Theme.subheadline
                color: Theme.secondaryText
                wrapMode: Text.Wrap
                maximumLineCount: 2
                elide: Text.ElideRight
            }
        }
    }

    // Drawn inside the shape, so the selected card keeps its size.
    Rectangle {
        anchors.fill: parent
        radius: parent.radius
        color: "transparent"
        border.width: card.isSelected ? 2 : 1
        border.color: card.isSelected ? Theme.accent : Theme.separator
    }
}
