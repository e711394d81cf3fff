import QtQuick
import QtQuick.Controls.Basic
import Veltrane.Hub

// The menu bar's menus, made when one is first opened. Each shows under its title while the
// bar says so, and tells the bar when it closes.
Item {
    id: menus

    required property HubMenuBar bar

    function publish() {
        const made = []
        for (let i = 0; i < instantiator.count; ++i)
            made.push(instantiator.objectAt(i))
        menus.bar.menus = made
    }

    Instantiator {
        id: instantiator
        model: menus.bar.model
        onObjectAdded: menus.publish()
        onObjectRemoved: menus.publish()

        // The delegate reads the enclosing object by its id.
        // qmllint disable unqualified
        delegate: CommandMenu {
            id: menu
            required property var modelData
            required property int index
            readonly property bool shown: menus.bar.openIndex === index

            title: ViewRules.withoutMnemonic(modelData.title)
            // A press on its own title is the title's: it closes the menu itself.
            closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutsideParent
            onShownChanged: {
                if (shown)
                    popup(menus.bar.titleAt(index), 0, menus.bar.height)
                else
                    close()
            }
            Component.onCompleted: if (shown) popup(menus.bar.titleAt(index), 0, menus.bar.height)
            onClosed: if (menus.bar.openIndex === index) menus.bar.openIndex = -1

            Instantiator {
                model: menu.modelData.commands
                onObjectAdded: (index, object) => menu.insertItem(index, object as MenuCommand)
                onObjectRemoved: (index, object) => menu.removeItem(object as MenuCommand)
                delegate: MenuCommand {
                    required property Command modelData
                    text: modelData.text
                    keys: modelData.keys
                    onTriggered: modelData.triggered()
                }
            }
            // Inside the open menu, where the window's keys do not reach.
            Shortcut {
                sequence: "Left"
                enabled: menu.opened
                onActivated: menus.bar.open(menu.index - 1)
            }
            Shortcut {
                sequence: "Right"
                enabled: menu.opened
                onActivated: menus.bar.open(menu.index + 1)
            }
        }
        // qmllint enable unqualified
    }
}
