pragma Singleton
import QtQuick

// The brand colour, the palette the views draw with and the text styles, in one place.
QtObject {
    // The tint of every control.
    readonly property color veltraneBlue: Qt.rgba(10 / 255, 132 / 255, 255 / 255, 1)
    readonly property color accent: veltraneBlue

    readonly property color primaryText: "#1d1d1f"
    readonly property color secondaryText: "#6e6e73"
    readonly property color tertiaryText: "#a1a1a6"
    readonly property color quaternaryFill: Qt.rgba(0, 0, 0, 0.08)
    readonly property color hoverFill: Qt.rgba(0, 0, 0, 0.06)
    readonly property color separator: Qt.rgba(0, 0, 0, 0.12)
    readonly property color orange: "#e07b00"
    readonly property color green: "#1fa34a"
    readonly property color textBackground: "#ffffff"
    readonly property color secondaryBackground: "#f2f2f5"
    readonly property color sidebarBackground: "#e9e9ed"
    readonly property color barMaterial: Qt.rgba(0.965, 0.965, 0.972, 0.96)
    readonly property color toastMaterial: Qt.rgba(0.99, 0.99, 0.99, 0.92)
    readonly property color selectionFill: Qt.rgba(10 / 255, 132 / 255, 255 / 255, 0.14)
    readonly property color borderedFill: Qt.rgba(0, 0, 0, 0.06)

    readonly property string family: "Inter Hub"
    // Glyphs on whole pixels: each is drawn once per size rather than once for each fraction of
    // a pixel it lands on, which costs the software renderer most of its text time.
    readonly property int hinting: Font.PreferFullHinting

    // Text styles, sized for a desktop screen at 96 dpi.
    readonly property font body: Qt.font({ family: family, pixelSize: 14, hintingPreference: hinting })
    readonly property font headline: Qt.font({ family: family, pixelSize: 14, weight: Font.DemiBold, hintingPreference: hinting })
    readonly property font subheadline: Qt.font({ family: family, pixelSize: 13, hintingPreference: hinting })
    readonly property font callout: Qt.font({ family: family, pixelSize: 13, hintingPreference: hinting })
    readonly property font footnote: Qt.font({ family: family, pixelSize: 12, hintingPreference: hinting })
    readonly property font caption: Qt.font({ family: family, pixelSize: 11, hintingPreference: hinting })
    readonly property font captionMedium: Qt.font({ family: family, pixelSize: 11, weight: Font.Medium, hintingPreference: hinting })
    readonly property font title2: Qt.font({ family: family, pixelSize: 20, weight: Font.DemiBold, hintingPreference: hinting })
    readonly property font title: Qt.font({ family: family, pixelSize: 16, weight: Font.DemiBold, hintingPreference: hinting })

    readonly property color menuBarBackground: "#e0e0e0"

    // Layout measures shared by several views.
    readonly property int menuBarHeight: 40
    readonly property int sidebarWidth: 240
    readonly property int toolbarHeight: 52
    readonly property int cardRadius: 12
    readonly property int cardInset: 14
    readonly property int cardIcon: 56
    readonly property int detailIcon: 64
}
