// app/cmdline.cpp
