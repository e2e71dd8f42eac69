@echo off
rem Release level of 15.03.26: superseded by every newer level, which brings its own files.
rem Run by the setup program only when no newer level is present.
exit /b 0
