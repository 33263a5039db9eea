<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>ConnectDialog</name>
    <message>
        <location filename="../../src/dialogs/qt/ConnectDialog.cpp" line="+90" />
        <source>Connect</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <location line="+2" />
        <source>&amp;Connect</source>
        <translation>&amp;Verbinden</translation>
    </message>
    <message>
        <location line="+3" />
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <location line="+2" />
        <source>&amp;Show dialog on startup</source>
        <translation>Dialog beim &amp;Start anzeigen</translation>
    </message>
    <message>
        <location line="+2" />
        <source>&amp;Open in a tab</source>
        <translation>In einem &amp;Tab öffnen</translation>
    </message>
    <message>
        <location line="+62" />
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>FindSessionDialog</name>
    <message>
        <location filename="../../src/sessiontree/qt/FindSessionDialog.cpp" line="+16" />
        <source>Find Session</source>
        <translation>Sitzung suchen</translation>
    </message>
    <message>
        <location line="+3" />
        <source>Fi&amp;nd what:</source>
        <translation>&amp;Suchen nach:</translation>
    </message>
    <message>
        <location line="+5" />
        <source>Look at</source>
        <translation>Durchsuchen</translation>
    </message>
    <message>
        <location line="+1" />
        <source>&amp;Session name</source>
        <translation>&amp;Sitzungsname</translation>
    </message>
    <message>
        <location line="+1" />
        <source>&amp;Hostname</source>
        <translation>&amp;Hostname</translation>
    </message>
    <message>
        <location line="+1" />
        <source>&amp;Description</source>
        <translation>&amp;Beschreibung</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Folde&amp;r name</source>
        <translation>&amp;Ordnername</translation>
    </message>
    <message>
        <location line="+9" />
        <source>Match &amp;case</source>
        <translation>&amp;Groß-/Kleinschreibung beachten</translation>
    </message>
    <message>
        <location line="+4" />
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>MultiConnectWarningDialog</name>
    <message>
        <location filename="../../src/dialogs/qt/MultiConnectWarningDialog.cpp" line="+21" />
        <source>You have selected more than %1 sessions to open.</source>
        <translation>Sie haben mehr als %1 Sitzungen zum Öffnen ausgewählt.</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Do not display this warning again</source>
        <translation>Diese Warnung nicht mehr anzeigen</translation>
    </message>
    <message>
        <location line="+2" />
        <source>Continue</source>
        <translation>Fortfahren</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>SessionTreeCtrl</name>
    <message>
        <location filename="../../src/sessiontree/qt/SessionTreeCtrl.cpp" line="+473" />
        <source>&amp;Move here</source>
        <translation>Hierher &amp;verschieben</translation>
    </message>
    <message>
        <location line="+1" />
        <source>&amp;Copy here</source>
        <translation>Hierher &amp;kopieren</translation>
    </message>
    <message>
        <location line="+2" />
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <location filename="../StringTable.cpp" line="+18" />
        <source>Connect to the selected sessions
Connect</source>
        <translation>Mit den ausgewählten Sitzungen verbinden
Verbinden</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Connect to the selected sessions in tabs
Connect in Tab</source>
        <translation>Mit den ausgewählten Sitzungen in Tabs verbinden
In Tab verbinden</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Connect to a host without a saved session
Quick Connect</source>
        <translation>Ohne gespeicherte Sitzung mit einem Host verbinden
Schnellverbindung</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Create a new session
New Session</source>
        <translation>Eine neue Sitzung anlegen
Neue Sitzung</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Cut the selected sessions and folders
Cut</source>
        <translation>Die ausgewählten Sitzungen und Ordner ausschneiden
Ausschneiden</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Copy the selected sessions and folders
Copy</source>
        <translation>Die ausgewählten Sitzungen und Ordner kopieren
Kopieren</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Paste the sessions and folders from the clipboard
Paste</source>
        <translation>Sitzungen und Ordner aus der Zwischenablage einfügen
Einfügen</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Delete the selected sessions and folders
Delete</source>
        <translation>Die ausgewählten Sitzungen und Ordner löschen
Löschen</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Edit the properties of the selected sessions
Properties</source>
        <translation>Die Eigenschaften der ausgewählten Sitzungen bearbeiten
Eigenschaften</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Find a session by its name or host
Find</source>
        <translation>Eine Sitzung nach Name oder Host suchen
Suchen</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Create a new folder
New Folder</source>
        <translation>Einen neuen Ordner anlegen
Neuer Ordner</translation>
    </message>
    <message>
        <location line="+2" />
        <source>Create a desktop shortcut to the selection
Create Desktop Shortcut</source>
        <translation>Eine Desktopverknüpfung zur Auswahl anlegen
Desktopverknüpfung anlegen</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Show the help
Help</source>
        <translation>Die Hilfe anzeigen
Hilfe</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Send Command
Send</source>
        <translation>Befehl senden
Senden</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Send to All</source>
        <translation>An alle senden</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Send to Selected Tab Groups</source>
        <translation>An die ausgewählten Registerkartengruppen senden</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Send to Visible Sessions</source>
        <translation>An die sichtbaren Sitzungen senden</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Create a new command
New Command</source>
        <translation>Einen neuen Befehl anlegen
Neuer Befehl</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Create a new command folder
New Folder</source>
        <translation>Einen neuen Befehlsordner anlegen
Neuer Ordner</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Cut the selected commands
Cut</source>
        <translation>Die ausgewählten Befehle ausschneiden
Ausschneiden</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Copy the selected commands
Copy</source>
        <translation>Die ausgewählten Befehle kopieren
Kopieren</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Paste commands from the clipboard
Paste</source>
        <translation>Befehle aus der Zwischenablage einfügen
Einfügen</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Delete the selected commands
Delete</source>
        <translation>Die ausgewählten Befehle löschen
Löschen</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Rename the selected command
Rename</source>
        <translation>Den ausgewählten Befehl umbenennen
Umbenennen</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Edit the selected command
Properties</source>
        <translation>Den ausgewählten Befehl bearbeiten
Eigenschaften</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Bring the selected session to the front
Activate</source>
        <translation>Die ausgewählte Sitzung in den Vordergrund holen
Aktivieren</translation>
    </message>
    <message>
        <location line="+1" />
        <source>Close the selected sessions
Close</source>
        <translation>Die ausgewählten Sitzungen schließen
Schließen</translation>
    </message>
</context>
<context>
    <name>ToolbarCtrl</name>
    <message>
        <location filename="../../src/platform/qt/ToolbarCtrl.cpp" line="+159" />
        <source>&amp;Reset Toolbar</source>
        <translation>Symbolleiste &amp;zurücksetzen</translation>
    </message>
</context>
</TS>