// app/instance.cpp
