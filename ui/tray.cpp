// ui/tray.cpp
