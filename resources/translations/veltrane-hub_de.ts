<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>AboutInfo</name>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>Native Mac apps, signed and ready to run.</source>
        <translation>Native Mac-Apps, signiert und startbereit.</translation>
    </message>
</context>
<context>
    <name>AboutPanel</name>
    <message>
        <source>About Veltrane Hub</source>
        <translation>Über Veltrane Hub</translation>
    </message>
</context>
<context>
    <name>AlertTexts</name>
    <message>
        <source>Quit %1 first</source>
        <translation>Beende zuerst %1</translation>
    </message>
    <message>
        <source>the app</source>
        <translation>die App</translation>
    </message>
    <message>
        <source>%1 is running. Quit it, then press Update again.</source>
        <translation>%1 läuft. Beende die App und drücke dann erneut auf Aktualisieren.</translation>
    </message>
    <message>
        <source>The app</source>
        <translation>Die App</translation>
    </message>
    <message>
        <source>Move %1 to the Trash?</source>
        <translation>%1 in den Papierkorb legen?</translation>
    </message>
    <message>
        <source>this app</source>
        <translation>diese App</translation>
    </message>
    <message>
        <source>The app goes to the Trash, so you can put it back.</source>
        <translation>Die App kommt in den Papierkorb, du kannst sie also zurücklegen.</translation>
    </message>
    <message>
        <source>Your settings for it stay on this computer.</source>
        <translation>Deine Einstellungen dafür bleiben auf diesem Computer.</translation>
    </message>
</context>
<context>
    <name>AppDetailView</name>
    <message>
        <source>No app selected</source>
        <translation>Keine App ausgewählt</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Close details</source>
        <translation>Details schließen</translation>
    </message>
    <message>
        <source>Pick an app to see its details.</source>
        <translation>Wähle eine App, um ihre Details zu sehen.</translation>
    </message>
    <message>
        <source>Move to Trash</source>
        <translation>In den Papierkorb</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>CardStatus</name>
    <message>
        <source>%1 → %2</source>
        <translation>%1 → %2</translation>
    </message>
    <message>
        <source>Installed</source>
        <translation>Installiert</translation>
    </message>
</context>
<context>
    <name>CatalogContent</name>
    <message>
        <source>No Results for “%1”</source>
        <translation>Keine Ergebnisse für „%1“</translation>
    </message>
    <message>
        <source>1 app</source>
        <translation>1 App</translation>
    </message>
    <message>
        <source>%1 apps</source>
        <translation>%1 Apps</translation>
    </message>
</context>
<context>
    <name>CatalogStatus</name>
    <message>
        <source>Updating…</source>
        <translation>Wird aktualisiert …</translation>
    </message>
    <message>
        <source>Up to date</source>
        <translation>Aktuell</translation>
    </message>
    <message>
        <source>Offline · %1</source>
        <translation>Offline · %1</translation>
    </message>
    <message>
        <source>Offline · bundled catalogue</source>
        <translation>Offline · mitgelieferter Katalog</translation>
    </message>
</context>
<context>
    <name>CatalogStore</name>
    <message>
        <source>Catalogue is up to date</source>
        <translation>Der Katalog ist aktuell</translation>
    </message>
    <message>
        <source>Catalogue updated</source>
        <translation>Katalog aktualisiert</translation>
    </message>
    <message>
        <source>Offline. Showing the last saved catalogue.</source>
        <translation>Offline. Der zuletzt gespeicherte Katalog wird angezeigt.</translation>
    </message>
    <message>
        <source>Offline. Showing the built-in catalogue.</source>
        <translation>Offline. Der mitgelieferte Katalog wird angezeigt.</translation>
    </message>
    <message>
        <source>All Apps</source>
        <translation>Alle Apps</translation>
    </message>
    <message>
        <source>Updates</source>
        <translation>Updates</translation>
    </message>
    <message>
        <source>Featured</source>
        <translation>Empfohlen</translation>
    </message>
    <message>
        <source>Apps</source>
        <translation>Apps</translation>
    </message>
</context>
<context>
    <name>CatalogView</name>
    <message>
        <source>Refresh</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Catalogue unavailable</source>
        <translation>Katalog nicht verfügbar</translation>
    </message>
    <message>
        <source>Try Again</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>Loading catalogue…</source>
        <translation>Katalog wird geladen …</translation>
    </message>
    <message>
        <source>No apps here yet</source>
        <translation>Hier gibt es noch keine Apps</translation>
    </message>
    <message>
        <source>This category is empty.</source>
        <translation>Diese Kategorie ist leer.</translation>
    </message>
    <message>
        <source>Check the spelling or try a new search.</source>
        <translation>Prüfe die Schreibweise oder versuche eine andere Suche.</translation>
    </message>
</context>
<context>
    <name>DetailActions</name>
    <message>
        <source>Installing…</source>
        <translation>Wird installiert …</translation>
    </message>
    <message>
        <source>Installed</source>
        <translation>Installiert</translation>
    </message>
    <message>
        <source>Try Again</source>
        <translation>Erneut versuchen</translation>
    </message>
    <message>
        <source>Update to %1</source>
        <translation>Auf %1 aktualisieren</translation>
    </message>
    <message>
        <source>Install</source>
        <translation>Installieren</translation>
    </message>
    <message>
        <source>Downloading… %1%</source>
        <translation>Wird geladen … %1 %</translation>
    </message>
</context>
<context>
    <name>DetailActionsView</name>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Uninstall…</source>
        <translation>Deinstallieren …</translation>
    </message>
</context>
<context>
    <name>DetailFacts</name>
    <message>
        <source>Category</source>
        <translation>Kategorie</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Installed</source>
        <translation>Installiert</translation>
    </message>
    <message>
        <source>Requires</source>
        <translation>Erfordert</translation>
    </message>
    <message>
        <source>Updated</source>
        <translation>Aktualisiert</translation>
    </message>
    <message>
        <source>MMM d, yyyy</source>
        <extracomment>Date format of the &quot;Updated&quot; fact (QDate format): abbreviated month, no weekday.</extracomment>
        <translation>d. MMM yyyy</translation>
    </message>
</context>
<context>
    <name>DetailHeader</name>
    <message>
        <source>Installed</source>
        <translation>Installiert</translation>
    </message>
</context>
<context>
    <name>HubWindow</name>
    <message>
        <source>Veltrane Hub</source>
        <translation>Veltrane Hub</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Darstellung</translation>
    </message>
    <message>
        <source>Refresh Catalogue</source>
        <translation>Katalog aktualisieren</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>About Veltrane Hub</source>
        <translation>Über Veltrane Hub</translation>
    </message>
</context>
<context>
    <name>MoreActionsMenu</name>
    <message>
        <source>More actions</source>
        <translation>Weitere Aktionen</translation>
    </message>
</context>
<context>
    <name>RelativeAge</name>
    <message>
        <source>now</source>
        <translation>jetzt</translation>
    </message>
    <message>
        <source>1 minute ago</source>
        <translation>vor 1 Minute</translation>
    </message>
    <message>
        <source>%1 minutes ago</source>
        <translation>vor %1 Minuten</translation>
    </message>
    <message>
        <source>1 hour ago</source>
        <translation>vor 1 Stunde</translation>
    </message>
    <message>
        <source>%1 hours ago</source>
        <translation>vor %1 Stunden</translation>
    </message>
    <message>
        <source>yesterday</source>
        <translation>gestern</translation>
    </message>
    <message>
        <source>%1 days ago</source>
        <translation>vor %1 Tagen</translation>
    </message>
    <message>
        <source>last week</source>
        <translation>letzte Woche</translation>
    </message>
    <message>
        <source>%1 weeks ago</source>
        <translation>vor %1 Wochen</translation>
    </message>
    <message>
        <source>last month</source>
        <translation>letzten Monat</translation>
    </message>
    <message>
        <source>%1 months ago</source>
        <translation>vor %1 Monaten</translation>
    </message>
    <message>
        <source>last year</source>
        <translation>letztes Jahr</translation>
    </message>
    <message>
        <source>%1 years ago</source>
        <translation>vor %1 Jahren</translation>
    </message>
</context>
<context>
    <name>RootView</name>
    <message>
        <source>Veltrane</source>
        <translation>Veltrane</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>SearchField</name>
    <message>
        <source>Search apps</source>
        <translation>Apps durchsuchen</translation>
    </message>
</context>
<context>
    <name>SidebarRows</name>
    <message>
        <source>All Apps</source>
        <translation>Alle Apps</translation>
    </message>
    <message>
        <source>Featured</source>
        <translation>Empfohlen</translation>
    </message>
    <message>
        <source>Updates</source>
        <translation>Updates</translation>
    </message>
    <message>
        <source>Categories</source>
        <translation>Kategorien</translation>
    </message>
</context>
<context>
    <name>SidebarView</name>
    <message>
        <source>Sections</source>
        <translation>Bereiche</translation>
    </message>
</context>
<context>
    <name>SourceCredit</name>
    <message>
        <source>Based on %1 by %2, released under the %3 license.</source>
        <translation>Basiert auf %1 von %2, veröffentlicht unter der Lizenz %3.</translation>
    </message>
</context>
<context>
    <name>SourceCreditView</name>
    <message>
        <source>Built on open source</source>
        <translation>Auf Open Source gebaut</translation>
    </message>
    <message>
        <source>Original project</source>
        <translation>Ursprüngliches Projekt</translation>
    </message>
    <message>
        <source>Our build, with our changes</source>
        <translation>Unsere Fassung, mit unseren Änderungen</translation>
    </message>
    <message>
        <source>This licence requires our source to be published. No fork link yet.</source>
        <translation>Diese Lizenz verlangt, dass wir unseren Quelltext veröffentlichen. Noch kein Link zu unserem Fork.</translation>
    </message>
</context>
<context>
    <name>ViewRules</name>
    <message>
        <source>Fetch the newest catalogue from </source>
        <translation>Den neuesten Katalog laden von </translation>
    </message>
</context>
</TS>
