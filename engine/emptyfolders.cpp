// engine/emptyfolders.cpp
