import QtQuick
import QtQuick.Layouts
import Veltrane.Hub

// The credit for the open-source project an app is built on, with its links.
ColumnLayout {
    id: creditView

    required property sourceCredit credit

    spacing: 6

    Rectangle { Layout.fillWidth: true; height: 1; color: Theme.separator }
    Text {
        text: qsTr("Built on open source")
        textFormat: Text.PlainText
        font: Theme.headline
        color: Theme.primaryText
        Accessible.role: Accessible.Heading
    }
    Text {
        Layout.fillWidth: true
        text: creditView.credit.sentence
        textFormat: Text.PlainText
        font: Theme.footnote
        color: Theme.secondaryText
        wrapMode: Text.Wrap
    }
    SourceLink {
        Layout.fillWidth: true
        title: qsTr("Original project")
        url: creditView.credit.repository
    }
    SourceLink {
        Layout.fillWidth: true
        visible: creditView.credit.fork.length > 0
        title: qsTr("Our build, with our changes")
        url: creditView.credit.fork
    }
    Text {
        Layout.fillWidth: true
        visible: creditView.credit.showsSourceOfferWarning
        text: qsTr("This licence requires our source to be published. No fork link yet.")
        textFormat: Text.PlainText
        font: Theme.caption
        color: Theme.orange
        wrapMode: Text.Wrap
    }
}
