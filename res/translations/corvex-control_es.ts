<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es" sourcelanguage="en">
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
        <translation>Puerto</translation>
    </message>
    <message>
        <source>Port search</source>
        <extracomment>Accessible name of the arrows beside the port box, which search for a port (not shown)</extracomment>
        <translation>Búsqueda de puerto</translation>
    </message>
    <message>
        <source>P.A. voltage</source>
        <extracomment>Accessible name of the P.A. voltage bar (not shown)</extracomment>
        <translation>Tensión del PA</translation>
    </message>
    <message>
        <source>AUX voltage</source>
        <extracomment>Accessible name of the auxiliary voltage bar (not shown)</extracomment>
        <translation>Tensión AUX</translation>
    </message>
    <message>
        <source>Peak deviation up to 75 kHz</source>
        <extracomment>Accessible name of the green part of the deviation scale (not shown)</extracomment>
        <translation>Desviación de pico hasta 75 kHz</translation>
    </message>
    <message>
        <source>Peak deviation above 75 kHz</source>
        <extracomment>Accessible name of the red part of the deviation scale (not shown)</extracomment>
        <translation>Desviación de pico por encima de 75 kHz</translation>
    </message>
    <message>
        <source>PLL LOCK</source>
        <extracomment>Accessible name of the PLL lock lamp (not shown: no length limit)</extracomment>
        <translation>PLL enganchado</translation>
    </message>
    <message>
        <source>RF Fail</source>
        <extracomment>Accessible name of the RF fail lamp (not shown: no length limit)</extracomment>
        <translation>Fallo de RF</translation>
    </message>
    <message>
        <source>PLL Fail</source>
        <extracomment>Accessible name of the PLL fail lamp (not shown: no length limit)</extracomment>
        <translation>Fallo del PLL</translation>
    </message>
    <message>
        <source>Modulation Fail</source>
        <extracomment>Accessible name of the modulation fail lamp (not shown: no length limit)</extracomment>
        <translation>Fallo de modulación</translation>
    </message>
    <message>
        <source>Forward power</source>
        <extracomment>Accessible name of the forward power text (not shown)</extracomment>
        <translation>Potencia directa</translation>
    </message>
    <message>
        <source>Reflected power</source>
        <extracomment>Accessible name of the reflected power text (not shown)</extracomment>
        <translation>Potencia reflejada</translation>
    </message>
    <message>
        <source>This user may not open it. Serial ports belong to the group &quot;dialout&quot;: add the user to it (sudo adduser $USER dialout), then log out and log in again.</source>
        <translation>Este usuario no puede abrirlo. Los puertos serie pertenecen al grupo «dialout»: añada el usuario al grupo (sudo adduser $USER dialout) y después cierre la sesión y vuelva a iniciarla.</translation>
    </message>
    <message>
        <source>Next port</source>
        <comment>accessible name of the up arrow</comment>
        <translation>Puerto siguiente</translation>
    </message>
    <message>
        <source>Previous port</source>
        <comment>accessible name of the down arrow</comment>
        <translation>Puerto anterior</translation>
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
        <translation>Se omitió %1: %2.
%3</translation>
    </message>
    <message>
        <source>NONE</source>
        <extracomment>Shown in the port box when no port opens (uppercase on the classic panel)</extracomment>
        <translation>NINGUNO</translation>
    </message>
    <message>
        <source>No port is selected: the search found none that opens.</source>
        <translation>No hay ningún puerto seleccionado: la búsqueda no encontró ninguno que se pueda abrir.</translation>
    </message>
    <message>
        <source>No status frame came from %1 since Connect. Check the cable, the unit&apos;s power and that %1 is the unit&apos;s port.</source>
        <translation>Desde la conexión no ha llegado ninguna trama de estado de %1. Compruebe el cable, la alimentación del equipo y que %1 sea el puerto del equipo.</translation>
    </message>
    <message>
        <source>The last status frame from %1 came %2 s ago.</source>
        <translation>La última trama de estado de %1 llegó hace %2 s.</translation>
    </message>
    <message>
        <source>The selected com port failed to open.</source>
        <translation>No se pudo abrir el puerto COM seleccionado.</translation>
    </message>
    <message>
        <source>Corvex Control Error</source>
        <translation>Error de Corvex Control</translation>
    </message>
    <message>
        <source>The connection cannot be established or has been lost. Please reconnect.</source>
        <translation>No se puede establecer la conexión o se ha perdido. Vuelva a conectar.</translation>
    </message>
</context>
<context>
    <name>CLed</name>
    <message>
        <source>on</source>
        <comment>a lamp that is lit</comment>
        <translation>encendido</translation>
    </message>
    <message>
        <source>off</source>
        <comment>a lamp that is dark</comment>
        <translation>apagado</translation>
    </message>
    <message>
        <source>unavailable</source>
        <comment>a lamp shown grey</comment>
        <translation>no disponible</translation>
    </message>
</context>
<context>
    <name>UnitType</name>
    <message>
        <source>%3.1f W FWD.</source>
        <translation>%3.1f W DIR.</translation>
    </message>
    <message>
        <source>%3.1f W REV.</source>
        <translation>%3.1f W REF.</translation>
    </message>
    <message>
        <source>%d W FWD.</source>
        <translation>%d W DIR.</translation>
    </message>
    <message>
        <source>%d W REV.</source>
        <translation>%d W REF.</translation>
    </message>
    <message>
        <source>%u W FWD.</source>
        <translation>%u W DIR.</translation>
    </message>
    <message>
        <source>%u W REV.</source>
        <translation>%u W REF.</translation>
    </message>
    <message>
        <source>%.2f W FWD.</source>
        <translation>%.2f W DIR.</translation>
    </message>
    <message>
        <source>%.2f W REV.</source>
        <translation>%.2f W REF.</translation>
    </message>
    <message>
        <source>Unknown unit using default settings</source>
        <translation>Equipo desconocido, ajustes predeterminados</translation>
    </message>
</context>
<context>
    <name>dialog100</name>
    <message>
        <source>About Corvex Control</source>
        <translation>Acerca de Corvex Control</translation>
    </message>
    <message>
        <source>Pelmar CorvexCtl V1.32</source>
        <translation>Pelmar CorvexCtl V1.32</translation>
    </message>
    <message>
        <source>Pelmar team, 2001-2008</source>
        <translation>Equipo Pelmar, 2001-2008</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>Updates</source>
        <translation>Actualizaciones</translation>
    </message>
    <message>
        <source>Pelmar Broadcast, Brenholt</source>
        <translation>Pelmar Broadcast, Brenholt</translation>
    </message>
    <message>
        <source>Transmitter series Arvel to Hestin</source>
        <translation>Transmisores de las series Arvel a Hestin</translation>
    </message>
    <message>
        <source>Amplifier series Ilvar to Morvel</source>
        <translation>Amplificadores de las series Ilvar a Morvel</translation>
    </message>
    <message>
        <source>Version 2.1 or higher</source>
        <translation>Versión 2.1 o superior</translation>
    </message>
</context>
<context>
    <name>dialog102</name>
    <message>
        <source>R.F. power</source>
        <translation>Potencia RF</translation>
    </message>
    <message>
        <source>Frequency</source>
        <translation>Frecuencia</translation>
    </message>
    <message>
        <source>PA temperature</source>
        <translation>Temperatura PA</translation>
    </message>
    <message>
        <source>Gain Reduction</source>
        <translation>Red. ganancia</translation>
    </message>
    <message>
        <source>Peak Deviation</source>
        <translation>Desv. de pico</translation>
    </message>
    <message>
        <source>Disconnect</source>
        <translation>Desconectar</translation>
    </message>
    <message>
        <source>UNMUTE RF</source>
        <translation>ACTIVAR RF</translation>
    </message>
    <message>
        <source>MUTE RF</source>
        <translation>SILENCIAR RF</translation>
    </message>
    <message>
        <source>Connect</source>
        <translation>Conectar</translation>
    </message>
    <message>
        <source>Corvex Control</source>
        <translation>Corvex Control</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Salir</translation>
    </message>
    <message>
        <source>Alarms</source>
        <translation>Alarmas</translation>
    </message>
    <message>
        <source>Reset Alarms</source>
        <translation>Restablecer</translation>
    </message>
    <message>
        <source>RF Fail</source>
        <translation>RF</translation>
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
        <translation>Conexión</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;Info</translation>
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
        <translation>Audio</translation>
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
        <translation>SUBIR</translation>
    </message>
    <message>
        <source>DOWN</source>
        <translation>BAJAR</translation>
    </message>
    <message>
        <source>Voltages</source>
        <translation>Tensiones</translation>
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
        <translation>&amp;Acerca de Pelmar...</translation>
    </message>
</context>
</TS>
