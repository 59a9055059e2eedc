// engine/freespace.cpp
