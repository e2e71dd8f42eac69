@echo off
rem Release level of 01.12.26. Runs in its own folder, target\backup\L011226: puts every file of
rem the level but this script into the suite's folder two levels up.
for %%F in (*) do if /i not "%%F"=="Install.cmd" copy /y "%%F" "..\..\" >nul
exit /b 0
