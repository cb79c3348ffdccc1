<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>slatewick::ActivityRow</name>
    <message>
        <source>Open folder</source>
        <translation>Ordner öffnen</translation>
    </message>
    <message>
        <source>Skip this card</source>
        <translation>Diese Karte überspringen</translation>
    </message>
    <message>
        <source>Try now</source>
        <translation>Jetzt versuchen</translation>
    </message>
    <message>
        <source>Send to the new folder</source>
        <translation>In den neuen Ordner senden</translation>
    </message>
    <message>
        <source>Dismiss</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Drain again</source>
        <translation>Erneut entladen</translation>
    </message>
    <message>
        <source>Try again</source>
        <translation>Erneut versuchen</translation>
    </message>
</context>
<context>
    <name>slatewick::ActivitySection</name>
    <message>
        <source>No cards are draining</source>
        <translation>Keine Karte wird entladen</translation>
    </message>
    <message>
        <source>Slatewick is listening for configured reader slots.</source>
        <translation>Slatewick achtet auf die eingerichteten Kartenleser-Steckplätze.</translation>
    </message>
    <message>
        <source>Card activity</source>
        <translation>Kartenaktivität</translation>
    </message>
</context>
<context>
    <name>slatewick::BatchEntry</name>
    <message>
        <source>Open folder</source>
        <translation>Ordner öffnen</translation>
    </message>
    <message>
        <source>Check again</source>
        <translation>Erneut prüfen</translation>
    </message>
    <message numerus="yes">
        <source>%n files · %1%2</source>
        <translation>
            <numerusform>%n Datei · %1%2</numerusform>
            <numerusform>%n Dateien · %1%2</numerusform>
        </translation>
    </message>
    <message>
        <source> · card cleared</source>
        <translation> · Karte geleert</translation>
    </message>
    <message>
        <source>Cache: </source>
        <translation>Cache: </translation>
    </message>
    <message>
        <source>Server: </source>
        <translation>Server: </translation>
    </message>
    <message>
        <source> (freed)</source>
        <translation> (freigegeben)</translation>
    </message>
</context>
<context>
    <name>slatewick::CacheSection</name>
    <message>
        <source>%1 — %2 — incomplete, not offered</source>
        <translation>%1 — %2 — unvollständig, nicht angeboten</translation>
    </message>
    <message>
        <source>%1 — %2 — no server batch, not offered</source>
        <translation>%1 — %2 — kein Stapel auf dem Server, nicht angeboten</translation>
    </message>
    <message>
        <source>Local cache</source>
        <translation>Lokaler Cache</translation>
    </message>
    <message>
        <source>Free cache space</source>
        <translation>Platz im Cache freigeben</translation>
    </message>
    <message>
        <source>Remove from the cache</source>
        <translation>Aus dem Cache entfernen</translation>
    </message>
    <message>
        <source>Reading the cache…</source>
        <translation>Der Cache wird gelesen…</translation>
    </message>
    <message>
        <source>Hide</source>
        <translation>Ausblenden</translation>
    </message>
    <message>
        <source>No batches in the local cache.</source>
        <translation>Keine Stapel im lokalen Cache.</translation>
    </message>
    <message>
        <source>Up to %1 (the oldest batch)</source>
        <translation>Bis zu %1 (der älteste Stapel)</translation>
    </message>
    <message numerus="yes">
        <source>Up to %1 (the oldest %n batches)</source>
        <translation>
            <numerusform>Bis zu %1 (der älteste Stapel)</numerusform>
            <numerusform>Bis zu %1 (die ältesten %n Stapel)</numerusform>
        </translation>
    </message>
    <message>
        <source>Remove incomplete folders…</source>
        <translation>Unvollständige Ordner entfernen…</translation>
    </message>
    <message>
        <source>Remove incomplete folders</source>
        <translation>Unvollständige Ordner entfernen</translation>
    </message>
    <message>
        <source>Remove %1? No drain finished them, so no card was cleared for them; the card still holds its files unless it was cleared elsewhere.</source>
        <translation>%1 entfernen? Kein Entladen hat sie abgeschlossen, daher wurde für sie keine Karte geleert; die Karte enthält ihre Dateien noch, sofern sie nicht anderswo geleert wurde.</translation>
    </message>
    <message>
        <source>How much to free</source>
        <translation>Wie viel freigegeben wird</translation>
    </message>
    <message>
        <source>Batches in the local cache</source>
        <translation>Stapel im lokalen Cache</translation>
    </message>
</context>
<context>
    <name>slatewick::ConfiguredCard</name>
    <message>
        <source>Automated</source>
        <translation>Automatisiert</translation>
    </message>
    <message>
        <source>Change destination…</source>
        <translation>Ziel ändern…</translation>
    </message>
    <message>
        <source>Refresh cards</source>
        <translation>Karten neu einlesen</translation>
    </message>
    <message>
        <source>Change slots…</source>
        <translation>Steckplätze ändern…</translation>
    </message>
    <message>
        <source>Watching 1 slot</source>
        <translation>1 Steckplatz wird überwacht</translation>
    </message>
    <message numerus="yes">
        <source>Watching %n slots</source>
        <translation>
            <numerusform>%n Steckplatz wird überwacht</numerusform>
            <numerusform>%n Steckplätze werden überwacht</numerusform>
        </translation>
    </message>
    <message>
        <source>Remote destination: </source>
        <translation>Ziel auf dem Server: </translation>
    </message>
    <message>
        <source>Watching this slot drains the card now and clears it once its copy in the local cache is verified.</source>
        <translation>Wird dieser Steckplatz beobachtet, wird die Karte jetzt entladen und gelöscht, sobald ihre Kopie im lokalen Cache geprüft ist.</translation>
    </message>
    <message>
        <source>Watching this slot drains the card now; its files stay on it.</source>
        <translation>Wird dieser Steckplatz beobachtet, wird die Karte jetzt entladen; ihre Dateien bleiben auf ihr.</translation>
    </message>
    <message>
        <source>%1 is in a slot that is not watched.</source>
        <translation>%1 steckt in einem Steckplatz, der nicht beobachtet wird.</translation>
    </message>
    <message>
        <source>Watch this slot</source>
        <translation>Diesen Steckplatz beobachten</translation>
    </message>
</context>
<context>
    <name>slatewick::DashboardView</name>
    <message>
        <source>Choose the remote server folder</source>
        <translation>Ordner auf dem Server auswählen</translation>
    </message>
</context>
<context>
    <name>slatewick::FolderOpening</name>
    <message>
        <source>Could not open the folder</source>
        <translation>Der Ordner konnte nicht geöffnet werden</translation>
    </message>
    <message>
        <source>No file manager opened the folder. Its path, to copy:</source>
        <translation>Kein Dateimanager hat den Ordner geöffnet. Sein Pfad zum Kopieren:</translation>
    </message>
</context>
<context>
    <name>slatewick::HeaderView</name>
    <message>
        <source>THE TRAP IS CLEAN</source>
        <translation>DIE FALLE IST LEER</translation>
    </message>
    <message>
        <source>Green means your card is ready for reuse.</source>
        <translation>Grün heißt: Die Karte kann wieder verwendet werden.</translation>
    </message>
    <message>
        <source>Safe, verified card offload in the background.</source>
        <translation>Sicheres, geprüftes Entladen von Karten im Hintergrund.</translation>
    </message>
</context>
<context>
    <name>slatewick::QuitConfirmation</name>
    <message>
        <source>Quit Slatewick?</source>
        <translation>Slatewick beenden?</translation>
    </message>
    <message>
        <source>A card is still being drained. Quitting now stops the drain before it is finished.</source>
        <translation>Eine Karte wird noch entladen. Wenn Sie jetzt beenden, wird das Entladen abgebrochen, bevor es fertig ist.</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Keep Draining</source>
        <translation>Weiter entladen</translation>
    </message>
</context>
<context>
    <name>slatewick::RecentBatchesSection</name>
    <message>
        <source>Recent batches</source>
        <translation>Letzte Stapel</translation>
    </message>
    <message>
        <source>Hide</source>
        <translation>Ausblenden</translation>
    </message>
    <message>
        <source>Show recent batches</source>
        <translation>Letzte Stapel anzeigen</translation>
    </message>
    <message>
        <source>Reading the cache…</source>
        <translation>Der Cache wird gelesen…</translation>
    </message>
    <message>
        <source>No batches in the local cache yet.</source>
        <translation>Noch keine Stapel im lokalen Cache.</translation>
    </message>
</context>
<context>
    <name>slatewick::RemotePicker</name>
    <message>
        <source>Use / to create subfolders. Tokens: {date}, {card}, {volume}, {batch}.</source>
        <translation>Mit / werden Unterordner angelegt. Platzhalter: {date}, {card}, {volume}, {batch}.</translation>
    </message>
    <message>
        <source>Use a relative path; . and .. are not allowed.</source>
        <translation>Bitte einen relativen Pfad angeben; . und .. sind nicht erlaubt.</translation>
    </message>
    <message>
        <source>Remote server folder</source>
        <translation>Ordner auf dem Server</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>Auswählen…</translation>
    </message>
    <message>
        <source>Batch folder template</source>
        <translation>Vorlage für Stapelordner</translation>
    </message>
    <message>
        <source>e.g. {date}/{card}/{batch}</source>
        <translation>z. B. {date}/{card}/{batch}</translation>
    </message>
    <message>
        <source>Not selected</source>
        <translation>Nicht ausgewählt</translation>
    </message>
    <message>
        <source>Example: </source>
        <translation>Beispiel: </translation>
    </message>
    <message>
        <source>Choose the remote server folder</source>
        <translation>Ordner auf dem Server auswählen</translation>
    </message>
</context>
<context>
    <name>slatewick::SettingsSection</name>
    <message>
        <source>Transfer policy</source>
        <translation>Übertragungsregeln</translation>
    </message>
    <message>
        <source>Clear card contents after the local cache is verified</source>
        <translation>Karteninhalt löschen, sobald der lokale Cache geprüft ist</translation>
    </message>
    <message>
        <source>Start Slatewick automatically when I sign in</source>
        <translation>Slatewick bei der Anmeldung automatisch starten</translation>
    </message>
    <message>
        <source>Wait one second less</source>
        <translation>Eine Sekunde kürzer warten</translation>
    </message>
    <message>
        <source>Wait one second more</source>
        <translation>Eine Sekunde länger warten</translation>
    </message>
    <message>
        <source>The server transfer continues safely from the local cache, so the card can be reused sooner.</source>
        <translation>Die Übertragung zum Server läuft sicher aus dem lokalen Cache weiter, so ist die Karte früher wieder einsatzbereit.</translation>
    </message>
    <message>
        <source>Each card becomes one batch path on the cache and server; a manifest records the verified transfer.</source>
        <translation>Jede Karte wird zu einem Stapelpfad im Cache und auf dem Server; ein Manifest hält die geprüfte Übertragung fest.</translation>
    </message>
    <message numerus="yes">
        <source>Accidental-insertion wait: %n seconds</source>
        <translation>
            <numerusform>Wartezeit gegen versehentliches Einstecken: %n Sekunde</numerusform>
            <numerusform>Wartezeit gegen versehentliches Einstecken: %n Sekunden</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>slatewick::SetupCard</name>
    <message>
        <source>Slatewick setup</source>
        <translation>Slatewick einrichten</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Finish setup</source>
        <translation>Einrichtung abschließen</translation>
    </message>
    <message>
        <source>Insert a card into each reader slot you want to automate, select those slots below, then choose a mounted remote-server folder.</source>
        <translation>Stecken Sie in jeden Kartenleser-Steckplatz, der automatisch entladen werden soll, eine Karte, wählen Sie diese Steckplätze unten aus und dann einen eingehängten Ordner auf dem Server.</translation>
    </message>
</context>
<context>
    <name>slatewick::SlotPicker</name>
    <message>
        <source>No removable cards are mounted. Insert a card to teach Slatewick its reader slot.</source>
        <translation>Es sind keine Wechselkarten eingehängt. Stecken Sie eine Karte ein, damit Slatewick ihren Kartenleser-Steckplatz kennenlernt.</translation>
    </message>
    <message>
        <source>Reader slots</source>
        <translation>Kartenleser-Steckplätze</translation>
    </message>
    <message>
        <source>Forget</source>
        <translation>Vergessen</translation>
    </message>
</context>
<context>
    <name>slatewick::TrayPresence</name>
    <message>
        <source>Open Slatewick</source>
        <translation>Slatewick öffnen</translation>
    </message>
    <message>
        <source>Quit Slatewick</source>
        <translation>Slatewick beenden</translation>
    </message>
</context>
</TS>
