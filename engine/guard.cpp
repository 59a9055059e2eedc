// engine/guard.cpp
