import QtQuick
import Veltrane.Hub

// A titled link: the title above, the full address below, opened by the system when clicked.
Column {
    id: sourceLink

    property string title
    property string url

    spacing: 1

    Text {
        text: sourceLink.title
        font: Theme.caption
        color: Theme.secondaryText
    }
    Text {
        width: parent.width
        text: sourceLink.url
        font: Theme.footnote
        color: Theme.accent
        elide: Text.ElideMiddle
        activeFocusOnTab: true
        Accessible.role: Accessible.Link
        Accessible.name: sourceLink.title + ": " + sourceLink.url
        Accessible.onPressAction: Qt.openUrlExternally(sourceLink.url)
        Keys.onReturnPressed: Qt.openUrlExternally(sourceLink.url)
        HoverHandler { cursorShape: Qt.PointingHandCursor }
        TapHandler { onTapped: Qt.openUrlExternally(sourceLink.url) }
    }
}
