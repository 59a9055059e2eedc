// engine/worker.cpp
