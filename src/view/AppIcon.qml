import QtQuick
import Veltrane.Hub

// An app's icon from the catalogue's URL, with a lettered placeholder while it loads, when it
// fails and when there is none. Square, with corners rounded at size × 0.22.
Rectangle {
    id: appIcon

    property url url
    property string name
    property real size: Theme.cardIcon

    readonly property bool loaded: image.status === Image.Ready

    width: size
    height: size
    radius: size * 0.22
    color: loaded ? "transparent" : Theme.quaternaryFill
    Accessible.ignored: true

    Text {
        anchors.centerIn: parent
        visible: !appIcon.loaded
        text: ViewRules.iconLetter(appIcon.name)
        textFormat: Text.PlainText
        font.family: Theme.family
        font.pixelSize: appIcon.size * 0.45
        font.weight: Font.DemiBold
        font.hintingPreference: Theme.hinting
        color: Theme.secondaryText
    }

    Image {
        id: image
        anchors.fill: parent
        visible: appIcon.loaded
        // Only https, through the Hub's own network access; a catalogue's file: or http:
        // address counts as none (Image would read a local file itself).
        source: ViewRules.isFetchable(appIcon.url) ? appIcon.url : ""
        sourceSize.width: appIcon.size * 2
        sourceSize.height: appIcon.size * 2
        asynchronous: true
        fillMode: Image.PreserveAspectFit
        smooth: true
        mipmap: true

        // The four corners outside the rounded square, painted over with the background;
        // made once the image is there, so the lettered placeholder costs no shapes. By name,
        // so its types load only then.
        Loader {
            anchors.fill: parent
            active: appIcon.loaded
            source: "IconCorners.qml"
        }
    }
}
