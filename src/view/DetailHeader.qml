import QtQuick
import Veltrane.Hub

// Icon, name, the "Installed" label and the tagline of the app in the detail pane.
Row {
    id: header

    required property catalogApp app
    required property bool showsInstalledLabel

    spacing: 14

    AppIcon {
        url: header.app.iconURL
        name: header.app.name
        size: Theme.detailIcon
    }

    Column {
        width: header.width - Theme.detailIcon - header.spacing
        spacing: 4

        Flow {
            width: parent.width
            spacing: 8
            // Measured apart: a wrapping text's own implicit width follows its width, a loop.
            TextMetrics {
                id: nameMetrics
                font: Theme.title2
                text: header.app.name
            }
            Text {
                width: Math.min(Math.ceil(nameMetrics.advanceWidth) + 1, parent.width)
                text: header.app.name
                textFormat: Text.PlainText
                font: Theme.title2
                color: Theme.primaryText
                wrapMode: Text.Wrap
                Accessible.role: Accessible.Heading
            }
            Row {
                height: 26
                visible: header.showsInstalledLabel
                spacing: 4
                SymbolIcon {
                    anchors.verticalCenter: parent.verticalCenter
                    name: "checkmark.circle"
                    size: 12
                    color: Theme.secondaryText
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: qsTr("Installed")
                    textFormat: Text.PlainText
                    font: Theme.caption
                    color: Theme.secondaryText
                }
            }
        }
        Text {
            width: parent.width
            text: header.app.tagline
            textFormat: Text.PlainText
            font: Theme.subheadline
            color: Theme.secondaryText
            wrapMode: Text.Wrap
        }
    }
}
