; The simulated handheld's default device profile: a Korvanex VX12 running Windows Mobile 6.1.
; One "Name=Value" a line; "hex:" values are binary (control-code answers).
; A value left out is a facility the device lacks.
PlatformType=PocketPC
OemInfo=Korvanex VX12
OsVersion=5.2.23120
; The processor type the cabinet installer compares with a cabinet's: 2577 on every ARM handheld.
ProcessorType=2577
PalModel=VX12 Rugged Handheld
PalSerial=K12A40012345
PalSerialNumber=K12A40012345
KernelSerial=hex:45,23,01,A0,12,0C,00,00,00,00,00,00,00,00,00,00
KernelOemSerial=hex:48,31,32,41,34,30,30,31,32,33,34,00,00,00,00,00
DmxSerial=K12A40012345
EventLogFile=C:\handheld\eventlog.txt
JournalFile=C:\handheld\journal.txt
; The radio: associated, a fair signal, an address; its security set on the Microsoft page (WPA2).
RadioAssociation=0
RadioRssi=-58
RadioMac=00:0D:4B:12:34:56
RadioIp=10.20.30.41
ZeroConfig=ON
NetworkAuthentication=7
ActiveProfile=Profile_1
Profile1Association=RSN
BatteryPercent=87
; No wired link: the cradle's Ethernet adapter is reported only with WiredLink=up or down
; (then WiredSpeed in bit/s, default 100000000, and WiredOperStatus 0..5).
; ScreenDpi is set with the screen size (scripts/run: 192 on VGA screens, 96 on QVGA ones).
