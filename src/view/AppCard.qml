import QtQuick
import Veltrane.Hub

// The tile of one app in the grid: icon, name, install status and tagline on a rounded card
// whose border shows the selection. A row of the store's visible apps; clicks are the grid's
// business. The grid makes a card for every row that scrolls into sight, so it is kept lean:
// anchors rather than positioners where they do.
Rectangle {
    id: card

    required property catalogApp app
    // The installed version (empty when none) and the update rule, from the app's row.
    required property string installedVersion
    required property bool hasUpdate
    property bool isSelected: false

    readonly property cardStatus status: ViewRules.cardStatus(installedVersion, app.version, hasUpdate)

    radius: Theme.cardRadius
    color: Theme.textBackground
    // Drawn inside the shape, so the selected card keeps its size.
    border.width: isSelected ? 2 : 1
    border.color: isSelected ? Theme.accent : Theme.separator

    Accessible.role: Accessible.Button
    Accessible.name: app.name
    Accessible.description: (status.text.length > 0 ? status.text + ". " : "") + app.tagline

    AppIcon {
        id: icon
        x: Theme.cardInset
        y: Theme.cardInset
        url: card.app.iconURL
        name: card.app.name
        size: Theme.cardIcon
    }

    // Each text is laid out once as the card is made, so neither width reads another text:
    // not the name's implicit width (a second layout of the name), nor the name's left edge
    // (set by its anchors only when the name completes, after the tagline below it).
    Text {
        id: nameText
        anchors { left: icon.right; leftMargin: 14; top: icon.top }
        // All the room the status label leaves; the label follows the name's drawn width.
        width: card.width - x - Theme.cardInset - (statusLabel.active ? statusLabel.width + 8 : 0)
        text: card.app.name
        // The catalogue's words as they stand: never markup.
        textFormat: Text.PlainText
        font: Theme.headline
        color: Theme.primaryText
        elide: Text.ElideRight
    }

    // Made only while there is a status to show: most cards have none.
    Loader {
        id: statusLabel
        x: nameText.x + nameText.contentWidth + 8
        anchors.verticalCenter: nameText.verticalCenter
        active: card.status.isShown
        // The label reads the card by its id.
        // qmllint disable unqualified
        sourceComponent: Row {
            id: statusRow
            readonly property color tint: card.status.isUpdate ? Theme.accent : Theme.secondaryText
            spacing: 4
            SymbolIcon {
                anchors.verticalCenter: parent.verticalCenter
                name: card.status.symbol
                size: 12
                color: statusRow.tint
            }
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: card.status.text
                textFormat: Text.PlainText
                font: card.status.isUpdate ? Theme.captionMedium : Theme.caption
                color: statusRow.tint
            }
        }
        // qmllint enable unqualified
    }

    Text {
        anchors { left: parent.left; leftMargin: icon.x + icon.width + 14; right: parent.right
                  rightMargin: Theme.cardInset; top: nameText.bottom; topMargin: 4 }
        text: card.app.tagline
        textFormat: Text.PlainText
        font: Theme.subheadline
        color: Theme.secondaryText
        wrapMode: Text.Wrap
        maximumLineCount: 2
        elide: Text.ElideRight
    }
}
