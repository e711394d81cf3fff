import QtQuick
import Veltrane.Hub

// An app's icon from the catalogue's URL, with a lettered placeholder while it loads, when it
// fails and when there is none. Square, with corners rounded at size × 0.22.
Rectangle {
    id: appIcon

    property url url
    property string name
    property real size: Theme.cardIcon

    readonly property bool loaded: (imageLoader.item as Image)?.status === Image.Ready

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

    // The catalogue's picture, made and asked for after the frame that first shows the icon:
    // it arrives later in any case, and that frame needs only the letter.
    Loader {
        id: imageLoader
        anchors.fill: parent
        // Only https, through the Hub's own network access; a catalogue's file: or http:
        // address counts as none (Image would read a local file itself).
        active: ViewRules.isFetchable(appIcon.url)
        asynchronous: true
        // The image reads the icon by its id.
        // qmllint disable unqualified
        sourceComponent: Image {
            id: image
            visible: image.status === Image.Ready
            source: appIcon.url
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
                active: image.status === Image.Ready
                source: "IconCorners.qml"
            }
        }
        // qmllint enable unqualified
    }
}
