import QtQuick
import Veltrane.Hub

// A titled link: the title above, the whole address below (wrapped, never shortened), opened
// by the system when clicked. Only http and https addresses open; any other is text only.
Column {
    id: sourceLink

    property string title
    property url url

    readonly property bool opens: ViewRules.mayOpen(url)

    function open() {
        if (opens)
            Qt.openUrlExternally(url)
    }

    spacing: 1

    Text {
        text: sourceLink.title
        textFormat: Text.PlainText
        font: Theme.caption
        color: Theme.secondaryText
    }
    Text {
        objectName: "address"
        width: parent.width
        text: ViewRules.linkText(sourceLink.url)
        textFormat: Text.PlainText
        font: Theme.footnote
        color: sourceLink.opens ? Theme.accent : Theme.secondaryText
        wrapMode: Text.WrapAnywhere
        activeFocusOnTab: sourceLink.opens
        Accessible.role: sourceLink.opens ? Accessible.Link : Accessible.StaticText
        Accessible.name: sourceLink.title + ": " + text
        Accessible.onPressAction: sourceLink.open()
        Keys.onReturnPressed: sourceLink.open()
        HoverHandler { cursorShape: sourceLink.opens ? Qt.PointingHandCursor : Qt.ArrowCursor }
        TapHandler { onTapped: sourceLink.open() }
    }
}
