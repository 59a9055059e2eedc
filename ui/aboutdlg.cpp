// ui/aboutdlg.cpp
