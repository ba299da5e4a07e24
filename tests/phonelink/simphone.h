#pragma once
// The emulated phone served on a pty for tests, and recorders for the link's callbacks.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "phonelink/messagesink.h"
#include "phonelink/phonelink.h"
#include "phonelink/readprogress.h"
#include "phonesim/phone.h"
#include "phonesim/server.h"

struct SimPhone {
    explicit SimPhone(phonesim::PhoneState state = phonesim::PhoneState::Demo(),
                      phonesim::ServeOptions options = {})
        : phone(phonesim::Phone::Create(std::move(state))), pty(phone, options) {
        phone->SetSessionInit("AT+CMEE=1"); // as a program's set-up would: reasons, not ERROR
        std::string error;
        started = pty.Start(&error);
        EXPECT_TRUE(started) << error;
    }
    static phonesim::ServeOptions Chunked(uint32_t seed) {
        phonesim::ServeOptions options;
        options.randomChunks = true;
        options.seed = seed;
        return options;
    }
    std::unique_ptr<CPhoneLink> Connect(IMessageSink* sink = nullptr) {
        auto link = std::make_unique<CPhoneLink>(CPhoneLink::DevicePath{pty.DevicePath()}, sink);
        // Short limits keep the silent-phone cases quick; the emulated phone answers at once.
        link->SetTimeouts(500, 20000, 500);
        return link;
    }

    std::shared_ptr<phonesim::Phone> phone;
    phonesim::PtyPhone pty;
    bool started = false;
};

struct RecordingSink : IMessageSink {
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    std::vector<std::string> messages;
};

struct RecordingProgress : IReadProgress {
    struct Bar : IProgressSink {
        void SetRange(int minimum, int maximum) override {
            calls.push_back("range " + std::to_string(minimum) + "-" + std::to_string(maximum));
        }
        void SetPosition(int position) override { calls.push_back("pos " + std::to_string(position)); }
        std::vector<std::string> calls;
    };
    IProgressSink* SimProgress() override { return &sim; }
    IProgressSink* PhoneProgress() override { return &phone; }
    Bar sim, phone;
};
