// app/dialogcmds.cpp
