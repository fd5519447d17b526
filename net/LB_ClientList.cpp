#include "net/LB_ClientList.h"

#include "net/LB_SSubSocket.h"

void LB_ClientList::append(LB_SSubSocket* client) {
    std::lock_guard<std::mutex> hold(guard_);
    client->previous_ = last_;
    client->next_ = nullptr;
    if (last_ != nullptr) {
        last_->next_ = client;
    } else {
        first_ = client;
    }
    last_ = client;
    client->linked_ = true;
}

void LB_ClientList::remove(LB_SSubSocket* client) {
    std::lock_guard<std::mutex> hold(guard_);
    unlinkLocked(client);
}

void LB_ClientList::launch(LB_SSubSocket* client) {
    std::lock_guard<std::mutex> hold(guard_);
    client->thread_ = std::thread(&LB_SSubSocket::clientMain, client);
}

bool LB_ClientList::finish(LB_SSubSocket* client) {
    std::lock_guard<std::mutex> hold(guard_);
    if (!client->linked_) {
        return false;
    }
    unlinkLocked(client);
    finished_.push_back(std::move(client->thread_));
    return true;
}

std::vector<LB_SSubSocket*> LB_ClientList::takeAll() {
    std::vector<LB_SSubSocket*> taken;
    std::lock_guard<std::mutex> hold(guard_);
    LB_SSubSocket* client = first_;
    while (client != nullptr) {
        LB_SSubSocket* next = client->next_;
        if (client->thread_.get_id() != std::this_thread::get_id()) {
            unlinkLocked(client);
            taken.push_back(client);
        }
        client = next;
    }
    return taken;
}

void LB_ClientList::joinFinished() {
    std::vector<std::thread> finished;
    {
        std::lock_guard<std::mutex> hold(guard_);
        finished.swap(finished_);
    }
    // Outside the lock: a finishing thread may still need it to leave.
    for (std::thread& thread : finished) {
        thread.join();
    }
}

void LB_ClientList::unlinkLocked(LB_SSubSocket* client) {
    if (!client->linked_) {
        return;
    }
    (client->previous_ != nullptr ? client->previous_->next_ : first_) = client->next_;
    (client->next_ != nullptr ? client->next_->previous_ : last_) = client->previous_;
    client->next_ = nullptr;
    client->previous_ = nullptr;
    client->linked_ = false;
}
