// ui/settingsdlg.cpp
