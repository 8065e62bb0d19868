<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>AccessibleReading</name>
    <message>
        <source>%1: %2</source>
        <comment>a display&apos;s name, then what it shows</comment>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>CControlDlg</name>
    <message>
        <source>Port</source>
        <extracomment>Accessible name of the port box (not shown)</extracomment>
        <translation>Port</translation>
    </message>
    <message>
        <source>Port search</source>
        <extracomment>Accessible name of the arrows beside the port box, which search for a port (not shown)</extracomment>
        <translation>Portsuche</translation>
    </message>
    <message>
        <source>P.A. voltage</source>
        <extracomment>Accessible name of the P.A. voltage bar (not shown)</extracomment>
        <translation>PA-Spannung</translation>
    </message>
    <message>
        <source>AUX voltage</source>
        <extracomment>Accessible name of the auxiliary voltage bar (not shown)</extracomment>
        <translation>AUX-Spannung</translation>
    </message>
    <message>
        <source>Peak deviation up to 75 kHz</source>
        <extracomment>Accessible name of the green part of the deviation scale (not shown)</extracomment>
        <translation>Spitzenhub bis 75 kHz</translation>
    </message>
    <message>
        <source>Peak deviation above 75 kHz</source>
        <extracomment>Accessible name of the red part of the deviation scale (not shown)</extracomment>
        <translation>Spitzenhub über 75 kHz</translation>
    </message>
    <message>
        <source>PLL LOCK</source>
        <extracomment>Accessible name of the PLL lock lamp (not shown: no length limit)</extracomment>
        <translation>PLL eingerastet</translation>
    </message>
    <message>
        <source>RF Fail</source>
        <extracomment>Accessible name of the RF fail lamp (not shown: no length limit)</extracomment>
        <translation>HF-Ausfall</translation>
    </message>
    <message>
        <source>PLL Fail</source>
        <extracomment>Accessible name of the PLL fail lamp (not shown: no length limit)</extracomment>
        <translation>PLL-Fehler</translation>
    </message>
    <message>
        <source>Modulation Fail</source>
        <extracomment>Accessible name of the modulation fail lamp (not shown: no length limit)</extracomment>
        <translation>Modulationsausfall</translation>
    </message>
    <message>
        <source>Forward power</source>
        <extracomment>Accessible name of the forward power text (not shown)</extracomment>
        <translation>Vorlaufleistung</translation>
    </message>
    <message>
        <source>Reflected power</source>
        <extracomment>Accessible name of the reflected power text (not shown)</extracomment>
        <translation>Rücklaufleistung</translation>
    </message>
    <message>
        <source>This user may not open it. Serial ports belong to the group &quot;dialout&quot;: add the user to it (sudo adduser $USER dialout), then log out and log in again.</source>
        <translation>Dieser Benutzer darf ihn nicht öffnen. Serielle Ports gehören der Gruppe „dialout“: Nehmen Sie den Benutzer in die Gruppe auf (sudo adduser $USER dialout), melden Sie sich dann ab und wieder an.</translation>
    </message>
    <message>
        <source>Next port</source>
        <comment>accessible name of the up arrow</comment>
        <translation>Nächster Port</translation>
    </message>
    <message>
        <source>Previous port</source>
        <comment>accessible name of the down arrow</comment>
        <translation>Vorheriger Port</translation>
    </message>
    <message>
        <source>%1 %2</source>
        <extracomment>Accessible name of a button: the caption of its group, then its own caption</extracomment>
        <translation>%1 %2</translation>
    </message>
    <message>
        <source>%d dB</source>
        <translation>%d dB</translation>
    </message>
    <message>
        <source>%d Khz</source>
        <translation>%d kHz</translation>
    </message>
    <message>
        <source>%d C</source>
        <translation>%d C</translation>
    </message>
    <message>
        <source>%d V</source>
        <translation>%d V</translation>
    </message>
    <message>
        <source>Skipped %1: %2.
%3</source>
        <translation>%1 übersprungen: %2.
%3</translation>
    </message>
    <message>
        <source>NONE</source>
        <extracomment>Shown in the port box when no port opens (uppercase on the classic panel)</extracomment>
        <translation>KEINER</translation>
    </message>
    <message>
        <source>No port is selected: the search found none that opens.</source>
        <translation>Kein Port gewählt: Die Suche fand keinen, der sich öffnen lässt.</translation>
    </message>
    <message>
        <source>No status frame came from %1 since Connect. Check the cable, the unit&apos;s power and that %1 is the unit&apos;s port.</source>
        <translation>Seit dem Verbinden kam kein Statustelegramm von %1. Prüfen Sie das Kabel, die Stromversorgung des Geräts und ob %1 der Port des Geräts ist.</translation>
    </message>
    <message>
        <source>The last status frame from %1 came %2 s ago.</source>
        <translation>Das letzte Statustelegramm von %1 kam vor %2 s.</translation>
    </message>
    <message>
        <source>The selected com port failed to open.</source>
        <translation>Der gewählte COM-Port ließ sich nicht öffnen.</translation>
    </message>
    <message>
        <source>Corvex Control Error</source>
        <translation>Corvex Control – Fehler</translation>
    </message>
    <message>
        <source>The connection cannot be established or has been lost. Please reconnect.</source>
        <translation>Die Verbindung lässt sich nicht herstellen oder ist verloren gegangen. Bitte neu verbinden.</translation>
    </message>
</context>
<context>
    <name>CLed</name>
    <message>
        <source>on</source>
        <comment>a lamp that is lit</comment>
        <translation>an</translation>
    </message>
    <message>
        <source>off</source>
        <comment>a lamp that is dark</comment>
        <translation>aus</translation>
    </message>
    <message>
        <source>unavailable</source>
        <comment>a lamp shown grey</comment>
        <translation>nicht verfügbar</translation>
    </message>
</context>
<context>
    <name>UnitType</name>
    <message>
        <source>%3.1f W FWD.</source>
        <translation>%3.1f W Vorl.</translation>
    </message>
    <message>
        <source>%3.1f W REV.</source>
        <translation>%3.1f W Refl.</translation>
    </message>
    <message>
        <source>%d W FWD.</source>
        <translation>%d W Vorl.</translation>
    </message>
    <message>
        <source>%d W REV.</source>
        <translation>%d W Refl.</translation>
    </message>
    <message>
        <source>%u W FWD.</source>
        <translation>%u W Vorl.</translation>
    </message>
    <message>
        <source>%u W REV.</source>
        <translation>%u W Refl.</translation>
    </message>
    <message>
        <source>%.2f W FWD.</source>
        <translation>%.2f W Vorl.</translation>
    </message>
    <message>
        <source>%.2f W REV.</source>
        <translation>%.2f W Refl.</translation>
    </message>
    <message>
        <source>Unknown unit using default settings</source>
        <translation>Unbekanntes Gerät, Standardeinstellungen</translation>
    </message>
</context>
<context>
    <name>dialog100</name>
    <message>
        <source>About Corvex Control</source>
        <translation>Über Corvex Control</translation>
    </message>
    <message>
        <source>Pelmar CorvexCtl V1.32</source>
        <translation>Pelmar CorvexCtl V1.32</translation>
    </message>
    <message>
        <source>Pelmar team, 2001-2008</source>
        <translation>Pelmar-Team, 2001-2008</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Updates</source>
        <translation>Aktualisierungen</translation>
    </message>
    <message>
        <source>Pelmar Broadcast, Brenholt</source>
        <translation>Pelmar Broadcast, Brenholt</translation>
    </message>
    <message>
        <source>Transmitter series Arvel to Hestin</source>
        <translation>Sender der Serien Arvel bis Hestin</translation>
    </message>
    <message>
        <source>Amplifier series Ilvar to Morvel</source>
        <translation>Verstärker der Serien Ilvar bis Morvel</translation>
    </message>
    <message>
        <source>Version 2.1 or higher</source>
        <translation>Version 2.1 oder höher</translation>
    </message>
</context>
<context>
    <name>dialog102</name>
    <message>
        <source>R.F. power</source>
        <translation>HF-Leistung</translation>
    </message>
    <message>
        <source>Frequency</source>
        <translation>Frequenz</translation>
    </message>
    <message>
        <source>PA temperature</source>
        <translation>PA-Temperatur</translation>
    </message>
    <message>
        <source>Gain Reduction</source>
        <translation>Pegelreduktion</translation>
    </message>
    <message>
        <source>Peak Deviation</source>
        <translation>Spitzenhub</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Trennen</translation>
    </message>
    <message>
        <source>UNMUTE RF</source>
        <translation>HF EIN</translation>
    </message>
    <message>
        <source>MUTE RF</source>
        <translation>HF STUMM</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Verbinden</translation>
    </message>
    <message>
        <source>Corvex Control</source>
        <translation>Corvex Control</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Alarms</source>
        <translation>Alarme</translation>
    </message>
    <message>
        <source>Reset Alarms</source>
        <translation>Quittieren</translation>
    </message>
    <message>
        <source>RF Fail</source>
        <translation>HF</translation>
    </message>
    <message>
        <source>PLL Fail</source>
        <translation>PLL</translation>
    </message>
    <message>
        <source>Mod. Fail</source>
        <translation>Mod.</translation>
    </message>
    <message>
        <source>Connection</source>
        <translation>Verbindung</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>Ü&amp;ber</translation>
    </message>
    <message>
        <source>12W</source>
        <translation>12W</translation>
    </message>
    <message>
        <source>1W</source>
        <translation>1W</translation>
    </message>
    <message>
        <source>PLL LOCK</source>
        <translation>PLL OK</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>NF</translation>
    </message>
    <message>
        <source>db</source>
        <translation>dB</translation>
    </message>
    <message>
        <source>Khz</source>
        <translation>kHz</translation>
    </message>
    <message>
        <source>UP</source>
        <translation>AUF</translation>
    </message>
    <message>
        <source>DOWN</source>
        <translation>AB</translation>
    </message>
    <message>
        <source>Voltages</source>
        <translation>Spannungen</translation>
    </message>
    <message>
        <source>P.A.</source>
        <translation>PA</translation>
    </message>
    <message>
        <source>AUX</source>
        <translation>AUX</translation>
    </message>
</context>
<context>
    <name>strings</name>
    <message>
        <source>&amp;About Pelmar...</source>
        <translation>Ü&amp;ber Pelmar...</translation>
    </message>
</context>
</TS>
