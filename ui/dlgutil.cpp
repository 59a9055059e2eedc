// ui/dlgutil.cpp
