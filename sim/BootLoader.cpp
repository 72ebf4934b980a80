// The boot loader: entering upgrade mode, erasing, taking an image's data packets, its result,
// the read-back of the FPGA image, and the faults it can be told to show.
#include "ProcessorModel.h"
#include "device/ReplyDispatcher.h"
#include "link/ByteOrder.h"

#include <algorithm>

namespace corvane::sim {

namespace {

// Erase announcements the boot loader sends before it is ready for the image.
int EraseSteps(Target t) {
    return t == Target::Fpga ? 12 : 3;
}

} // namespace

bool ProcessorModel::DamageImage(Target target, std::size_t block) {
    std::vector<std::uint8_t>& image = m_images[static_cast<int>(target)];
    const std::size_t at = block * 1024 + 1;
    if (at >= image.size())
        return false;
    image[at] ^= 0x81;
    return true;
}

std::vector<Outgoing> ProcessorModel::EnterBootLoader() {
    m_bootLoader = true;
    m_transferring = false;
    return {Out(AnnounceReply(0))};
}

std::vector<Outgoing> ProcessorModel::BootCommand(const std::uint8_t* f) {
    std::vector<Outgoing> out;
    switch (FrameCode(f)) {
    case kCmdRequestAll: // a boot loader answers every hello with its announce
    case kCmdEnterBoot:
        if (m_upgradeFaults.noAnnounce) {
            m_bootLoader = true;
            m_transferring = false;
            return {};
        }
        return EnterBootLoader();
    case kCmdAnnounceImage: {
        if (!m_bootLoader)
            break;
        m_target = f[6] == 0 ? Target::Mcu : f[6] == 2 ? Target::HdmiRx : Target::Fpga;
        m_announcedBlocks = GetLE16(f + 7);
        m_receivedBlocks = 0;
        m_imagePackets = 0;
        m_incoming.clear();
        m_transferring = true;
        m_transferBad = false;
        const int steps = EraseSteps(m_target);
        for (int i = 1; i <= steps; ++i)
            out.push_back(Out(AnnounceReply(4), kErasePeriodMs * i));
        out.push_back(Out(AnnounceReply(2), kErasePeriodMs * (steps + 1)));
        break;
    }
    case kCmdReadBack: {
        if (!m_bootLoader)
            break;
        const std::vector<std::uint8_t>& image = m_images[static_cast<int>(Target::Fpga)];
        std::uint16_t number = 1;
        for (std::size_t pos = 0; pos < image.size(); pos += 1024, ++number) {
            if (number == m_upgradeFaults.skipReadBack)
                continue;
            Outgoing block;
            block.bytes = MakeReadBackBlock(number, image.data() + pos,
                                            std::min<std::size_t>(1024, image.size() - pos));
            if (number == m_upgradeFaults.damageReadBack)
                block.bytes[kBlockSize - 1] ^= 0x5A;
            out.push_back(std::move(block));
        }
        out.push_back(Out(AnnounceReply(3)));
        break;
    }
    case kCmdEndImage:
        if (m_transferring) {
            m_transferring = false;
            const bool good = !m_refuseUpgrade && !m_transferBad && m_receivedBlocks == m_announcedBlocks &&
                              m_receivedBlocks > 0;
            if (good)
                m_images[static_cast<int>(m_target)] = m_incoming;
            if (!m_upgradeFaults.noResult)
                out.push_back(Out(AckReply(kAckUpgradeStep, 0, good ? 1 : 0)));
        } else {
            m_bootLoader = false; // leave upgrade mode: the processor restarts into its program
        }
        break;
    default:
        break; // the boot loader knows nothing else
    }
    return out;
}

std::vector<Outgoing> ProcessorModel::TakeDataPacket(const std::uint8_t* b) {
    std::vector<Outgoing> out;
    const bool checksumOk = BlockChecksum(b) == b[kBlockSize - 1];
    ++m_packets;
    const std::size_t n = static_cast<std::size_t>(b[12] << 8 | b[13]);
    if (!m_transferring)
        return out;
    const bool damaged = ++m_imagePackets == static_cast<std::uint32_t>(m_upgradeFaults.damagePacket);
    if (!checksumOk || damaged || n == 0 || n > 1024) {
        ++m_badPackets;
        m_transferBad = true;
        return out;
    }
    m_incoming.insert(m_incoming.end(), b + 14, b + 14 + n);
    ++m_receivedBlocks;
    return out;
}

} // namespace corvane::sim
