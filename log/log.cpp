// log/log.cpp
