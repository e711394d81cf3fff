import QtQuick
import Veltrane.Hub

// One line telling where the catalogue on screen came from, or that it is loading or failed.
Row {
    id: statusLine

    readonly property catalogStatus status: ViewRules.catalogStatus(CatalogStore.phase)

    spacing: 6
    Accessible.role: Accessible.StaticText
    Accessible.name: status.message

    SymbolIcon {
        anchors.verticalCenter: parent.verticalCenter
        name: statusLine.status.symbol
        size: 13
        color: statusLine.status.isPositive ? Theme.green
             : statusLine.status.isWarning ? Theme.orange : Theme.secondaryText
    }
    Text {
        anchors.verticalCenter: parent.verticalCenter
        width: statusLine.width - 13 - statusLine.spacing
        text: statusLine.status.message
        textFormat: Text.PlainText
        font: Theme.caption
        color: Theme.secondaryText
        elide: Text.ElideRight
        maximumLineCount: 1
    }
}
