// settings/paths.cpp
