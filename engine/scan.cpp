// engine/scan.cpp
