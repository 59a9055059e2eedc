// settings/ini.cpp
