// ui/testdlg.cpp
