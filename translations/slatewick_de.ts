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
    <message>
        <source>Trying…</source>
        <translation>Wird versucht…</translation>
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
    <name>slatewick::Presenter</name>
    <message>
        <source>Waiting for card to settle</source>
        <translation>Warten, bis sich die Karte gesetzt hat</translation>
    </message>
    <message>
        <source>Caching locally</source>
        <translation>Wird lokal zwischengespeichert</translation>
    </message>
    <message>
        <source>Copying to server</source>
        <translation>Wird auf den Server kopiert</translation>
    </message>
    <message>
        <source>Clearing card</source>
        <translation>Karte wird geleert</translation>
    </message>
    <message>
        <source>Trap clean — card ready</source>
        <translation>Falle leer — Karte bereit</translation>
    </message>
    <message>
        <source>Needs attention</source>
        <translation>Braucht Aufmerksamkeit</translation>
    </message>
    <message>
        <source>Card removed</source>
        <translation>Karte entfernt</translation>
    </message>
    <message>
        <source>Copied — card not cleared</source>
        <translation>Kopiert — Karte nicht geleert</translation>
    </message>
    <message>
        <source>Waiting for the server folder</source>
        <translation>Warten auf den Ordner auf dem Server</translation>
    </message>
    <message>
        <source>Waiting for the server</source>
        <translation>Warten auf den Server</translation>
    </message>
    <message>
        <source>Not sent to the server</source>
        <translation>Nicht an den Server gesendet</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>Übersprungen</translation>
    </message>
    <message>
        <source>Already drained</source>
        <translation>Bereits entladen</translation>
    </message>
    <message>
        <source>Starts in %1 s</source>
        <translation>Beginnt in %1 s</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source> · %1/s</source>
        <translation> · %1/s</translation>
    </message>
    <message>
        <source> · %1 s left</source>
        <translation> · noch %1 s</translation>
    </message>
    <message>
        <source> · %1 min left</source>
        <translation> · noch %1 min</translation>
    </message>
    <message>
        <source> · %1 h %2 min left</source>
        <translation> · noch %1 h %2 min</translation>
    </message>
    <message>
        <source>Local cache verified; clearing card so it can be reused while the server copy continues</source>
        <translation>Lokaler Cache geprüft; die Karte wird geleert, damit sie wieder verwendet werden kann, während die Kopie auf den Server weiterläuft</translation>
    </message>
    <message>
        <source>Sending verified cache to %1</source>
        <translation>Der geprüfte Cache wird an %1 gesendet</translation>
    </message>
    <message>
        <source>a file does not match the card&apos;s own history: %1.</source>
        <translation>eine Datei stimmt nicht mit der eigenen Historie der Karte überein: %1.</translation>
    </message>
    <message>
        <source>the local cache is kept in memory (%1) and would not survive a power cut.</source>
        <translation>der lokale Cache liegt im Arbeitsspeicher (%1) und würde einen Stromausfall nicht überstehen.</translation>
    </message>
    <message>
        <source>its cache batch %1 is no longer there.</source>
        <translation>ihr Stapel %1 im Cache ist nicht mehr da.</translation>
    </message>
    <message>
        <source>it was taken out.</source>
        <translation>sie wurde herausgenommen.</translation>
    </message>
    <message>
        <source>a different card is now in its place.</source>
        <translation>an ihrer Stelle steckt jetzt eine andere Karte.</translation>
    </message>
    <message>
        <source>1 file appeared or changed after it was listed and was left on it.</source>
        <translation>1 Datei kam nach der Auflistung hinzu oder änderte sich und blieb auf der Karte.</translation>
    </message>
    <message>
        <source>it is locked or read-only.</source>
        <translation>sie ist gesperrt oder schreibgeschützt.</translation>
    </message>
    <message>
        <source> An earlier try was left at %1: it could not be proven to be this batch&apos;s own.</source>
        <translation> Ein früherer Versuch blieb in %1 liegen: Es ließ sich nicht nachweisen, dass er zu diesem Stapel gehört.</translation>
    </message>
    <message>
        <source> The card was not cleared: %1</source>
        <translation> Die Karte wurde nicht geleert: %1</translation>
    </message>
    <message>
        <source> Card is ready for reuse.</source>
        <translation> Die Karte kann wieder verwendet werden.</translation>
    </message>
    <message>
        <source> Free space unknown on the local cache; not checked.</source>
        <translation> Freier Platz im lokalen Cache unbekannt; nicht geprüft.</translation>
    </message>
    <message>
        <source> Free space unknown on the remote server; not checked.</source>
        <translation> Freier Platz auf dem Server unbekannt; nicht geprüft.</translation>
    </message>
    <message>
        <source>Card removed before the drain completed.</source>
        <translation>Die Karte wurde entfernt, bevor das Entladen abgeschlossen war.</translation>
    </message>
    <message>
        <source>Not drained. Put the card in again to drain it.</source>
        <translation>Nicht entladen. Stecken Sie die Karte erneut ein, um sie zu entladen.</translation>
    </message>
    <message>
        <source>Drains when %1 is there again.</source>
        <translation>Wird entladen, sobald %1 wieder da ist.</translation>
    </message>
    <message>
        <source>Safe in the local cache (%1); </source>
        <translation>Sicher im lokalen Cache (%1); </translation>
    </message>
    <message>
        <source>needs %1, %2 free on the server.</source>
        <translation>braucht %1, %2 frei auf dem Server.</translation>
    </message>
    <message>
        <source>sent when %1 answers. Another server folder has been chosen since.</source>
        <translation>wird gesendet, sobald %1 antwortet. Inzwischen wurde ein anderer Ordner auf dem Server gewählt.</translation>
    </message>
    <message>
        <source>sent when the server folder answers.</source>
        <translation>wird gesendet, sobald der Ordner auf dem Server antwortet.</translation>
    </message>
    <message>
        <source> Last try: %1, %2</source>
        <translation> Letzter Versuch: %1, %2</translation>
    </message>
    <message>
        <source> Last try: %1.</source>
        <translation> Letzter Versuch: %1.</translation>
    </message>
    <message>
        <source>The record of a batch could not be read (%1). It is kept at %2.</source>
        <translation>Der Eintrag eines Stapels konnte nicht gelesen werden (%1). Er bleibt unter %2 erhalten.</translation>
    </message>
    <message>
        <source>The drain failed for an unknown reason.</source>
        <translation>Das Entladen ist aus unbekanntem Grund fehlgeschlagen.</translation>
    </message>
    <message>
        <source>%1 was taken out before it was copied; nothing was cleared.</source>
        <translation>%1 wurde herausgenommen, bevor sie kopiert war; nichts wurde geleert.</translation>
    </message>
    <message>
        <source>%1 can be taken out</source>
        <translation>%1 kann herausgenommen werden</translation>
    </message>
    <message>
        <source>Safe in the local cache; the server copy continues from there.</source>
        <translation>Sicher im lokalen Cache; die Kopie auf den Server läuft von dort weiter.</translation>
    </message>
    <message>
        <source>%1 is on the server</source>
        <translation>%1 ist auf dem Server</translation>
    </message>
    <message>
        <source>%1 needs attention</source>
        <translation>%1 braucht Aufmerksamkeit</translation>
    </message>
    <message>
        <source>Slatewick: Attention</source>
        <translation>Slatewick: Achtung</translation>
    </message>
    <message>
        <source>Slatewick: Draining</source>
        <translation>Slatewick: Entlädt</translation>
    </message>
    <message>
        <source>Slatewick: Clean</source>
        <translation>Slatewick: Leer</translation>
    </message>
    <message>
        <source>Slatewick: Ready</source>
        <translation>Slatewick: Bereit</translation>
    </message>
    <message>
        <source>Slatewick: Setup</source>
        <translation>Slatewick: Einrichtung</translation>
    </message>
    <message>
        <source>%1 — %2: %3</source>
        <translation>%1 — %2: %3</translation>
    </message>
    <message>
        <source>This folder is not there. If it is on a server, the share may not be mounted.</source>
        <translation>Dieser Ordner ist nicht da. Liegt er auf einem Server, ist dessen Freigabe vielleicht nicht eingehängt.</translation>
    </message>
    <message>
        <source>This folder is not on the file system it was on when it was chosen. Mount its share, or choose the folder again if the share itself changed.</source>
        <translation>Dieser Ordner liegt nicht auf dem Dateisystem, auf dem er bei der Auswahl lag. Hängen Sie seine Freigabe ein oder wählen Sie den Ordner erneut, falls sich die Freigabe selbst geändert hat.</translation>
    </message>
    <message>
        <source>Launch at login could not be enabled: %1</source>
        <translation>Der Start bei der Anmeldung konnte nicht eingerichtet werden: %1</translation>
    </message>
    <message numerus="yes">
        <source>Waiting %n seconds in case this was accidental</source>
        <translation>
            <numerusform>%n Sekunde warten, falls dies versehentlich war</numerusform>
            <numerusform>%n Sekunden warten, falls dies versehentlich war</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Copying %n files into the local cache</source>
        <translation>
            <numerusform>%n Datei wird in den lokalen Cache kopiert</numerusform>
            <numerusform>%n Dateien werden in den lokalen Cache kopiert</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n files</source>
        <translation>
            <numerusform>%1 von %n Datei</numerusform>
            <numerusform>%1 von %n Dateien</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 and %n more</source>
        <translation>
            <numerusform>%1 und %n weitere</numerusform>
            <numerusform>%1 und %n weitere</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n files do not match the card&apos;s own history: %1.</source>
        <translation>
            <numerusform>%n Datei stimmt nicht mit der eigenen Historie der Karte überein: %1.</numerusform>
            <numerusform>%n Dateien stimmen nicht mit der eigenen Historie der Karte überein: %1.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n files appeared or changed after they were listed and were left on it.</source>
        <translation>
            <numerusform>%n Datei kam nach der Auflistung hinzu oder änderte sich und blieb auf der Karte.</numerusform>
            <numerusform>%n Dateien kamen nach der Auflistung hinzu oder änderten sich und blieben auf der Karte.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Verified %n files in cache and server.</source>
        <translation>
            <numerusform>%n Datei im Cache und auf dem Server geprüft.</numerusform>
            <numerusform>%n Dateien im Cache und auf dem Server geprüft.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Drained into %1 (%n files); left alone at start.</source>
        <translation>
            <numerusform>In %1 entladen (%n Datei); beim Start nicht angerührt.</numerusform>
            <numerusform>In %1 entladen (%n Dateien); beim Start nicht angerührt.</numerusform>
        </translation>
    </message>
    <message>
        <source>local cache</source>
        <translation>lokalen Cache</translation>
    </message>
    <message>
        <source>remote server</source>
        <translation>Server</translation>
    </message>
    <message>
        <source>The copied files at %1 did not match the source.</source>
        <translation>Die kopierten Dateien im %1 stimmten nicht mit der Quelle überein.</translation>
    </message>
    <message>
        <source>The card was removed before draining could finish.</source>
        <translation>Die Karte wurde entfernt, bevor das Entladen abgeschlossen war.</translation>
    </message>
    <message>
        <source>The card is safely cached, but the remote server folder is currently unavailable.</source>
        <translation>Die Karte liegt sicher im Cache, aber der Serverordner ist zurzeit nicht erreichbar.</translation>
    </message>
    <message>
        <source>No transferable files were found on the card.</source>
        <translation>Auf der Karte wurden keine übertragbaren Dateien gefunden.</translation>
    </message>
    <message>
        <source>The naming template produced an unsafe folder name.</source>
        <translation>Die Namensvorlage ergab einen unsicheren Ordnernamen.</translation>
    </message>
    <message>
        <source>The cache batch %1 is gone, so there is nothing left to send.</source>
        <translation>Der Stapel %1 im Cache ist verschwunden; es gibt nichts mehr zu senden.</translation>
    </message>
    <message>
        <source>The file %1 changed on the card while it was being copied, so nothing was cleared. Insert the card again to drain it.</source>
        <translation>Die Datei %1 hat sich auf der Karte geändert, während sie kopiert wurde; daher wurde nichts gelöscht. Stecken Sie die Karte erneut ein, um sie zu entladen.</translation>
    </message>
    <message>
        <source>The card holds %1 at its top level, a name Slatewick keeps for its own records. Rename or move it, then put the card in again.</source>
        <translation>Die Karte enthält auf oberster Ebene %1, einen Namen, den Slatewick für seine eigenen Aufzeichnungen verwendet. Benennen Sie den Eintrag um oder verschieben Sie ihn, und stecken Sie die Karte dann erneut ein.</translation>
    </message>
    <message>
        <source>Not enough room: the card needs %1, %2 free on the local cache. Nothing was copied; the card is untouched.</source>
        <translation>Nicht genug Platz: Die Karte braucht %1, im lokalen Cache sind %2 frei. Es wurde nichts kopiert; die Karte ist unverändert.</translation>
    </message>
    <message>
        <source>The card is safely cached, but there is not enough room: the batch needs %1, %2 free on the remote server.</source>
        <translation>Die Karte liegt sicher im Cache, aber es ist nicht genug Platz: Der Stapel braucht %1, auf dem Server sind %2 frei.</translation>
    </message>
    <message>
        <source>Could not read %1: %2</source>
        <translation>%1 konnte nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>Could not read folder %1: %2</source>
        <translation>Der Ordner %1 konnte nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>Could not read the free space of %1: %2</source>
        <translation>Der freie Platz von %1 konnte nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>Could not list %1: %2</source>
        <translation>%1 konnte nicht aufgelistet werden: %2</translation>
    </message>
    <message>
        <source>Could not open %1: %2</source>
        <translation>%1 konnte nicht geöffnet werden: %2</translation>
    </message>
    <message>
        <source>Could not copy %1: %2</source>
        <translation>%1 konnte nicht kopiert werden: %2</translation>
    </message>
    <message>
        <source>Could not copy into %1: %2</source>
        <translation>In %1 konnte nicht kopiert werden: %2</translation>
    </message>
    <message>
        <source>Could not create %1: %2</source>
        <translation>%1 konnte nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>Could not create folder %1: %2</source>
        <translation>Der Ordner %1 konnte nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>Could not write %1: %2</source>
        <translation>%1 konnte nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Could not flush %1: %2</source>
        <translation>%1 konnte nicht auf den Datenträger geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Could not flush folder %1: %2</source>
        <translation>Der Ordner %1 konnte nicht auf den Datenträger geschrieben werden: %2</translation>
    </message>
    <message>
        <source>Could not remove %1: %2</source>
        <translation>%1 konnte nicht entfernt werden: %2</translation>
    </message>
    <message>
        <source>Could not lock %1: %2</source>
        <translation>%1 konnte nicht gesperrt werden: %2</translation>
    </message>
    <message numerus="yes">
        <source>%n file missing</source>
        <translation>
            <numerusform>%n Datei fehlt</numerusform>
            <numerusform>%n Dateien fehlen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n files missing</source>
        <translation>
            <numerusform>%n Datei fehlt</numerusform>
            <numerusform>%n Dateien fehlen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file changed</source>
        <translation>
            <numerusform>%n Datei geändert</numerusform>
            <numerusform>%n Dateien geändert</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n files changed</source>
        <translation>
            <numerusform>%n Datei geändert</numerusform>
            <numerusform>%n Dateien geändert</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file not in the checksum file</source>
        <translation>
            <numerusform>%n Datei nicht in der Prüfsummendatei</numerusform>
            <numerusform>%n Dateien nicht in der Prüfsummendatei</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n files not in the checksum file</source>
        <translation>
            <numerusform>%n Datei nicht in der Prüfsummendatei</numerusform>
            <numerusform>%n Dateien nicht in der Prüfsummendatei</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file unreadable</source>
        <translation>
            <numerusform>%n Datei unlesbar</numerusform>
            <numerusform>%n Dateien unlesbar</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n files unreadable</source>
        <translation>
            <numerusform>%n Datei unlesbar</numerusform>
            <numerusform>%n Dateien unlesbar</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n file not as the ASC MHL history records it</source>
        <translation>
            <numerusform>%n Datei nicht so, wie die ASC-MHL-Historie sie verzeichnet</numerusform>
            <numerusform>%n Dateien nicht so, wie die ASC-MHL-Historie sie verzeichnet</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n files not as the ASC MHL history records them</source>
        <translation>
            <numerusform>%n Datei nicht so, wie die ASC-MHL-Historie sie verzeichnet</numerusform>
            <numerusform>%n Dateien nicht so, wie die ASC-MHL-Historie sie verzeichnet</numerusform>
        </translation>
    </message>
    <message>
        <source>an ASC MHL history that is not valid (%1)</source>
        <translation>eine ungültige ASC-MHL-Historie (%1)</translation>
    </message>
    <message>
        <source>%1 and %2</source>
        <comment>the last of several differences</comment>
        <translation>%1 und %2</translation>
    </message>
    <message>
        <source>The cache batch %1 no longer matches what was read from the card, so it is not sent.</source>
        <translation>Der Stapel %1 im Cache stimmt nicht mehr mit dem überein, was von der Karte gelesen wurde; daher wird er nicht gesendet.</translation>
    </message>
    <message>
        <source>The cache batch %1 no longer matches what was read from the card, so it is not sent: %2.</source>
        <translation>Der Stapel %1 im Cache stimmt nicht mehr mit dem überein, was von der Karte gelesen wurde; daher wird er nicht gesendet: %2.</translation>
    </message>
    <message>
        <source>On the server its batch would go to %1, inside the batch %2; it waits in the local cache until the naming template or the server folder changes.</source>
        <translation>Auf dem Server käme sein Stapel nach %1, in den Stapel %2 hinein; er wartet im lokalen Cache, bis sich die Namensvorlage oder der Ordner auf dem Server ändert.</translation>
    </message>
    <message>
        <source>The naming template puts this card&apos;s batch at %1, inside the batch %2. Nothing was copied and the card is untouched; change the template so that batches stand side by side.</source>
        <translation>Die Namensvorlage legt den Stapel dieser Karte nach %1, in den Stapel %2 hinein. Es wurde nichts kopiert, und die Karte ist unverändert; ändern Sie die Vorlage so, dass die Stapel nebeneinander liegen.</translation>
    </message>
    <message>
        <source>The entry ascmhl at the top of the card is not an ASC MHL history: %1. Nothing was copied; the card is untouched.</source>
        <translation>Der Eintrag ascmhl auf oberster Ebene der Karte ist keine ASC-MHL-Historie: %1. Es wurde nichts kopiert; die Karte ist unverändert.</translation>
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
<context>
    <name>slatewick::UpkeepPresenter</name>
    <message>
        <source>The cache holds %1; the free space on its disk is unknown.</source>
        <translation>Der Cache belegt %1; der freie Platz auf seinem Datenträger ist unbekannt.</translation>
    </message>
    <message>
        <source>The cache holds %1; %2 free on its disk.</source>
        <translation>Der Cache belegt %1; %2 frei auf seinem Datenträger.</translation>
    </message>
    <message>
        <source>Less room is left than the largest of the last five batches took (%1): free some cache space before the next card.</source>
        <translation>Es ist weniger Platz frei, als der größte der letzten fünf Stapel brauchte (%1): Geben Sie vor der nächsten Karte Platz im Cache frei.</translation>
    </message>
    <message>
        <source>it has no record of reaching the server.</source>
        <translation>es gibt keinen Eintrag, dass er den Server erreicht hat.</translation>
    </message>
    <message>
        <source>it was freed already.</source>
        <translation>er wurde bereits freigegeben.</translation>
    </message>
    <message>
        <source>it is not on the server yet.</source>
        <translation>er ist noch nicht auf dem Server.</translation>
    </message>
    <message>
        <source>its server folder is not available.</source>
        <translation>sein Ordner auf dem Server ist nicht erreichbar.</translation>
    </message>
    <message>
        <source>its server batch %1 is missing.</source>
        <translation>sein Stapel %1 auf dem Server fehlt.</translation>
    </message>
    <message>
        <source>its server batch is not on the server folder&apos;s file system.</source>
        <translation>sein Stapel auf dem Server liegt nicht auf dem Dateisystem des Serverordners.</translation>
    </message>
    <message>
        <source>its server batch lies on the cache&apos;s own disk.</source>
        <translation>sein Stapel auf dem Server liegt auf dem Datenträger des Caches selbst.</translation>
    </message>
    <message>
        <source>Server batch: %1.</source>
        <translation>Stapel auf dem Server: %1.</translation>
    </message>
    <message>
        <source>its server batch could not be checked: %1.</source>
        <translation>sein Stapel auf dem Server konnte nicht geprüft werden: %1.</translation>
    </message>
    <message>
        <source>its record changed while it was checked.</source>
        <translation>sein Eintrag hat sich während der Prüfung geändert.</translation>
    </message>
    <message>
        <source>files that were not part of it stay in %1.</source>
        <translation>Dateien, die nicht dazugehörten, bleiben in %1.</translation>
    </message>
    <message>
        <source>it holds a batch.</source>
        <translation>er enthält einen Stapel.</translation>
    </message>
    <message>
        <source>it holds a batch&apos;s records.</source>
        <translation>er enthält die Aufzeichnungen eines Stapels.</translation>
    </message>
    <message>
        <source>Checking the server batches…</source>
        <translation>Die Stapel auf dem Server werden geprüft …</translation>
    </message>
    <message>
        <source>Removing…</source>
        <translation>Wird entfernt …</translation>
    </message>
    <message>
        <source>Freeing could not be started: the system has no thread to spare.</source>
        <translation>Das Freigeben konnte nicht beginnen: Das System hat keinen Thread frei.</translation>
    </message>
    <message numerus="yes">
        <source>Removed %n incomplete folder.</source>
        <translation>
            <numerusform>%n unvollständiger Ordner entfernt.</numerusform>
            <numerusform>%n unvollständige Ordner entfernt.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Removed %n incomplete folders.</source>
        <translation>
            <numerusform>%n unvollständiger Ordner entfernt.</numerusform>
            <numerusform>%n unvollständige Ordner entfernt.</numerusform>
        </translation>
    </message>
    <message>
        <source>Kept %1: %2</source>
        <translation>%1 behalten: %2</translation>
    </message>
    <message>
        <source>Nothing was removed.</source>
        <translation>Es wurde nichts entfernt.</translation>
    </message>
    <message numerus="yes">
        <source>Removed %n batch (%1).</source>
        <translation>
            <numerusform>%n Stapel entfernt (%1).</numerusform>
            <numerusform>%n Stapel entfernt (%1).</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Removed %n batches (%1).</source>
        <translation>
            <numerusform>%n Stapel entfernt (%1).</numerusform>
            <numerusform>%n Stapel entfernt (%1).</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Kept %n batch:</source>
        <translation>
            <numerusform>%n Stapel behalten:</numerusform>
            <numerusform>%n Stapel behalten:</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Kept %n batches:</source>
        <translation>
            <numerusform>%n Stapel behalten:</numerusform>
            <numerusform>%n Stapel behalten:</numerusform>
        </translation>
    </message>
    <message>
        <source>Nothing more was removed: %1.</source>
        <translation>Es wurde nichts weiter entfernt: %1.</translation>
    </message>
    <message>
        <source>%1: could not be checked: %2.</source>
        <translation>%1: konnte nicht geprüft werden: %2.</translation>
    </message>
    <message>
        <source>%1: not reachable at %2.</source>
        <translation>%1: unter %2 nicht erreichbar.</translation>
    </message>
    <message>
        <source>%1: %2.</source>
        <translation>%1: %2.</translation>
    </message>
    <message>
        <source>%1: the 1 listed file matches.</source>
        <translation>%1: die 1 verzeichnete Datei stimmt überein.</translation>
    </message>
    <message numerus="yes">
        <source>%1: all %n files match.</source>
        <translation>
            <numerusform>%1: die %n Datei stimmt überein.</numerusform>
            <numerusform>%1: alle %n Dateien stimmen überein.</numerusform>
        </translation>
    </message>
    <message>
        <source>Checking…</source>
        <translation>Wird geprüft …</translation>
    </message>
    <message>
        <source>The check could not be started: the system has no thread to spare.</source>
        <translation>Die Prüfung konnte nicht beginnen: Das System hat keinen Thread frei.</translation>
    </message>
    <message>
        <source>Cache batch</source>
        <translation>Stapel im Cache</translation>
    </message>
    <message>
        <source>Server batch</source>
        <translation>Stapel auf dem Server</translation>
    </message>
</context>
</TS>
