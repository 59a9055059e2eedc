// log/logview.cpp
