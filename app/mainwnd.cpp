// app/mainwnd.cpp
