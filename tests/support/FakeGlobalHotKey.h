#pragma once

#include "GlobalHotKey.h"

#include <map>
#include <vector>

namespace lumeno {

// A GlobalHotKey that records what the program asks of it and presses keys on demand.
class FakeGlobalHotKey : public GlobalHotKey
{
public:
    struct Call
    {
        enum Kind
        {
            Register,
            Unregister
        } kind;
        quint32 keyCode = 0;
        quint32 modifiers = 0;
        quint32 id = 0;
        Ref ref = 0;
    };

    Registration registerHotKey(quint32 keyCode, quint32 carbonModifiers, quint32 id) override
    {
        calls.push_back({Call::Register, keyCode, carbonModifiers, id, 0});
        if (!refusal.isEmpty())
            return {std::nullopt, refusal};
        const Ref ref = m_nextRef++;
        active.emplace(ref, Call{Call::Register, keyCode, carbonModifiers, id, ref});
        return {ref, {}};
    }

    void unregisterHotKey(Ref ref) override
    {
        calls.push_back({Call::Unregister, 0, 0, 0, ref});
        active.erase(ref);
    }

    // Presses every registered shortcut with this key and mask, as the platform would.
    void press(quint32 keyCode, quint32 modifiers)
    {
        for (const auto &[ref, call] : active)
            if (call.keyCode == keyCode && call.modifiers == modifiers)
                emit pressed(call.id);
    }

    size_t count(Call::Kind kind) const
    {
        size_t n = 0;
        for (const Call &c : calls)
            n += c.kind == kind;
        return n;
    }

    // When not empty, every registration is refused with this reason.
    QString refusal;
    std::vector<Call> calls;
    std::map<Ref, Call> active;

private:
    Ref m_nextRef = 1;
};

} // namespace lumeno
