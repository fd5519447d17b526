#include "net/LB_SocketLibrary.h"

LB_SocketLibrary::State& LB_SocketLibrary::state() {
    static State shared;
    return shared;
}

bool LB_SocketLibrary::addUser() {
    State& s = state();
    std::lock_guard<std::mutex> hold(s.guard);
    if (!s.started) {
        s.started = true;
        s.succeeded = true;
    }
    if (!s.succeeded) {
        return false;
    }
    ++s.users;
    return true;
}

void LB_SocketLibrary::removeUser() {
    State& s = state();
    std::lock_guard<std::mutex> hold(s.guard);
    if (s.users <= 0) {
        return;
    }
    if (--s.users == 0) {
        s.started = false;
        s.succeeded = false;
    }
}

int LB_SocketLibrary::userCount() {
    State& s = state();
    std::lock_guard<std::mutex> hold(s.guard);
    return s.users;
}

bool LB_SocketLibrary::started() {
    State& s = state();
    std::lock_guard<std::mutex> hold(s.guard);
    return s.started;
}

bool LB_SocketLibrary::startSucceeded() {
    State& s = state();
    std::lock_guard<std::mutex> hold(s.guard);
    return s.succeeded;
}
