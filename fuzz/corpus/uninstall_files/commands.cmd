[Uninstall_Commands]
Command1=DeleteFile,"\Program Files\Pkg\x, y.txt"
Command2=AddRegEntry,HKEY_LOCAL_MACHINE,Software\Pkg,Bin,REG_BINARY,01,ff,7
Command3=RemoveRegEntry,HKEY_CURRENT_USER,Software\Pkg ; comment
Command4=ExecuteApp,\Windows\app.exe,N,Y
