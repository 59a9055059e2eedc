// settings/settings.cpp
