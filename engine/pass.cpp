// engine/pass.cpp
