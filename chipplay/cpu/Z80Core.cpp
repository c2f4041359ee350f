// Z80 instruction decoders.
//
// One template serves the unprefixed decoder and the DD and FD decoders: XY
// names the register that stands for HL (0 HL, 1 IX, 2 IY). Under DD/FD,
// H and L become the halves of IX/IY, (HL) becomes (IX+d), and in an
// instruction that uses (IX+d) a plain H or L stays H or L.
//
// The core's buses are looked up once per instruction; the decoders then
// keep them at hand in an Exec view.
#include "Z80Core.h"

#include "Bus.h"

namespace {

const uint8_t kFlags53 = Z80_FLAG_5 | Z80_FLAG_3;
const uint8_t kKeepSZP = Z80_FLAG_S | Z80_FLAG_Z | Z80_FLAG_PV;

inline uint8_t Hi(uint16_t v) { return (uint8_t)(v >> 8); }
inline uint8_t Lo(uint16_t v) { return (uint8_t)v; }
inline void SetHi(uint16_t& r, uint8_t v) { r = (uint16_t)((r & 0x00FF) | (v << 8)); }
inline void SetLo(uint16_t& r, uint8_t v) { r = (uint16_t)((r & 0xFF00) | v); }

#if defined(__GNUC__)
#define Z80_INLINE inline __attribute__((always_inline))
#define Z80_NOINLINE __attribute__((noinline))
#else
#define Z80_INLINE inline
#define Z80_NOINLINE
#endif

struct Exec {
    Exec(Z80Core& core, Bus& memory, Bus& ports) : c(core), mem(memory), io(ports), direct(memory.getDirect()) {}

    Z80Core& c;
    Bus& mem;
    Bus& io;
    // The memory bus's page tables, held here so that a plain RAM or ROM
    // access needs no load from the bus object.
    const Bus::Direct direct;

    // ---- access -------------------------------------------------------
    Z80_INLINE uint8_t rd(uint16_t a)
    {
        const uint8_t* p = direct.read[(a >> direct.pageBits) & direct.pageMask];
        if (p != nullptr) return p[a & direct.offsetMask];
        return (uint8_t)mem.read(a);
    }
    Z80_INLINE void wr(uint16_t a, uint8_t v)
    {
        uint8_t* p = direct.write[(a >> direct.pageBits) & direct.pageMask];
        if (p != nullptr) {
            p[a & direct.offsetMask] = v;
            return;
        }
        mem.write(a, v);
    }
    Z80_INLINE uint8_t in(uint16_t port) { return (uint8_t)io.read(port); }
    Z80_INLINE void out(uint16_t port, uint8_t v) { io.write(port, v); }
    Z80_INLINE uint8_t fetch() { return rd(c.PC++); }
    Z80_INLINE uint16_t fetch16()
    {
        const uint8_t lo = fetch();
        const uint8_t hi = fetch();
        return (uint16_t)(hi << 8 | lo);
    }
    Z80_INLINE uint16_t rd16(uint16_t a)
    {
        const uint8_t lo = rd(a);
        const uint8_t hi = rd((uint16_t)(a + 1));
        return (uint16_t)(hi << 8 | lo);
    }
    Z80_INLINE void wr16(uint16_t a, uint16_t v)
    {
        wr(a, Lo(v));
        wr((uint16_t)(a + 1), Hi(v));
    }
    Z80_INLINE void push(uint16_t v)
    {
        c.SP = (uint16_t)(c.SP - 2);
        wr(c.SP, Lo(v));
        wr((uint16_t)(c.SP + 1), Hi(v));
    }
    Z80_INLINE uint16_t pop()
    {
        const uint16_t v = rd16(c.SP);
        c.SP = (uint16_t)(c.SP + 2);
        return v;
    }
    Z80_INLINE void incR() { c.R = (uint8_t)((c.R & 0x80) | ((c.R + 1) & 0x7F)); }

    // ---- registers ----------------------------------------------------
    Z80_INLINE uint8_t A() const { return Hi(c.AF); }
    Z80_INLINE uint8_t F() const { return Lo(c.AF); }
    Z80_INLINE void setA(uint8_t v) { SetHi(c.AF, v); }
    Z80_INLINE void setF(uint8_t v) { SetLo(c.AF, v); }

    template <int XY>
    Z80_INLINE uint16_t& hl()
    {
        if constexpr (XY == 1) return c.IX;
        else if constexpr (XY == 2) return c.IY;
        else return c.HL;
    }

    // 8-bit register by its opcode field (B C D E H L - A); under XY the
    // H and L fields reach the index register's halves.
    template <int R, int XY = 0>
    Z80_INLINE uint8_t get8()
    {
        static_assert(R != 6, "(HL) is not a register");
        if constexpr (R == 0) return Hi(c.BC);
        else if constexpr (R == 1) return Lo(c.BC);
        else if constexpr (R == 2) return Hi(c.DE);
        else if constexpr (R == 3) return Lo(c.DE);
        else if constexpr (R == 4) return Hi(hl<XY>());
        else if constexpr (R == 5) return Lo(hl<XY>());
        else return Hi(c.AF);
    }
    template <int R, int XY = 0>
    Z80_INLINE void set8(uint8_t v)
    {
        static_assert(R != 6, "(HL) is not a register");
        if constexpr (R == 0) SetHi(c.BC, v);
        else if constexpr (R == 1) SetLo(c.BC, v);
        else if constexpr (R == 2) SetHi(c.DE, v);
        else if constexpr (R == 3) SetLo(c.DE, v);
        else if constexpr (R == 4) SetHi(hl<XY>(), v);
        else if constexpr (R == 5) SetLo(hl<XY>(), v);
        else SetHi(c.AF, v);
    }
    // Register by a field known only at run time (ED and DDCB forms).
    Z80_INLINE uint8_t getReg(int r)
    {
        switch (r) {
        case 0: return Hi(c.BC);
        case 1: return Lo(c.BC);
        case 2: return Hi(c.DE);
        case 3: return Lo(c.DE);
        case 4: return Hi(c.HL);
        case 5: return Lo(c.HL);
        case 7: return Hi(c.AF);
        default: return 0;
        }
    }
    Z80_INLINE void setReg(int r, uint8_t v)
    {
        switch (r) {
        case 0: SetHi(c.BC, v); break;
        case 1: SetLo(c.BC, v); break;
        case 2: SetHi(c.DE, v); break;
        case 3: SetLo(c.DE, v); break;
        case 4: SetHi(c.HL, v); break;
        case 5: SetLo(c.HL, v); break;
        case 7: SetHi(c.AF, v); break;
        default: break;
        }
    }

    // The address of (HL), or of (IX+d)/(IY+d) with d fetched here.
    template <int XY>
    Z80_INLINE uint16_t addrHL()
    {
        if constexpr (XY == 0) {
            return c.HL;
        } else {
            const int8_t d = (int8_t)fetch();
            return (uint16_t)(hl<XY>() + d);
        }
    }

    // 16-bit pair by field (BC DE HL SP), HL standing for IX/IY under XY.
    template <int P, int XY = 0>
    Z80_INLINE uint16_t& pair()
    {
        if constexpr (P == 0) return c.BC;
        else if constexpr (P == 1) return c.DE;
        else if constexpr (P == 2) return hl<XY>();
        else return c.SP;
    }
    Z80_INLINE uint16_t& pairAt(int p)
    {
        switch (p) {
        case 0: return c.BC;
        case 1: return c.DE;
        case 2: return c.HL;
        default: return c.SP;
        }
    }

    Z80_INLINE bool cond(int cc) const
    {
        const uint8_t f = F();
        switch (cc) {
        case 0: return !(f & Z80_FLAG_Z);
        case 1: return (f & Z80_FLAG_Z) != 0;
        case 2: return !(f & Z80_FLAG_C);
        case 3: return (f & Z80_FLAG_C) != 0;
        case 4: return !(f & Z80_FLAG_PV);
        case 5: return (f & Z80_FLAG_PV) != 0;
        case 6: return !(f & Z80_FLAG_S);
        default: return (f & Z80_FLAG_S) != 0;
        }
    }

    // ---- arithmetic and flags -----------------------------------------
    Z80_INLINE void add8(uint8_t v, unsigned carry)
    {
        const uint8_t a = A();
        const unsigned r = a + v + carry;
        const uint8_t res = (uint8_t)r;
        const uint8_t f = Z80Core_SZ[res] | (res & kFlags53) | ((a ^ v ^ res) & Z80_FLAG_H)
                          | (((a ^ ~v) & (a ^ res) & 0x80) >> 5) | ((r >> 8) & Z80_FLAG_C);
        c.AF = (uint16_t)(res << 8 | f);
    }
    Z80_INLINE uint8_t subFlags(uint8_t a, uint8_t v, unsigned carry, uint8_t* result)
    {
        const unsigned r = (unsigned)a - v - carry;
        const uint8_t res = (uint8_t)r;
        *result = res;
        return (uint8_t)(Z80Core_SZ[res] | ((a ^ v ^ res) & Z80_FLAG_H) | (((a ^ v) & (a ^ res) & 0x80) >> 5)
                         | Z80_FLAG_N | ((r >> 8) & Z80_FLAG_C));
    }
    Z80_INLINE void sub8(uint8_t v, unsigned carry)
    {
        uint8_t res;
        const uint8_t f = subFlags(A(), v, carry, &res);
        c.AF = (uint16_t)(res << 8 | f | (res & kFlags53));
    }
    Z80_INLINE void cp8(uint8_t v)
    {
        uint8_t res;
        const uint8_t f = subFlags(A(), v, 0, &res);
        setF((uint8_t)(f | (v & kFlags53)));   // bits 5 and 3 from the operand
    }
    Z80_INLINE void and8(uint8_t v)
    {
        const uint8_t res = A() & v;
        c.AF = (uint16_t)(res << 8 | Z80Core_SZP[res] | (res & kFlags53) | Z80_FLAG_H);
    }
    Z80_INLINE void or8(uint8_t v)
    {
        const uint8_t res = A() | v;
        c.AF = (uint16_t)(res << 8 | Z80Core_SZP[res] | (res & kFlags53));
    }
    Z80_INLINE void xor8(uint8_t v)
    {
        const uint8_t res = A() ^ v;
        c.AF = (uint16_t)(res << 8 | Z80Core_SZP[res] | (res & kFlags53));
    }
    template <int OP>
    Z80_INLINE void alu(uint8_t v)
    {
        if constexpr (OP == 0) add8(v, 0);
        else if constexpr (OP == 1) add8(v, F() & Z80_FLAG_C);
        else if constexpr (OP == 2) sub8(v, 0);
        else if constexpr (OP == 3) sub8(v, F() & Z80_FLAG_C);
        else if constexpr (OP == 4) and8(v);
        else if constexpr (OP == 5) xor8(v);
        else if constexpr (OP == 6) or8(v);
        else cp8(v);
    }
    Z80_INLINE uint8_t inc8(uint8_t v)
    {
        const uint8_t res = (uint8_t)(v + 1);
        setF((uint8_t)((F() & Z80_FLAG_C) | Z80Core_SZ[res] | (res & kFlags53) | ((res & 0x0F) == 0 ? Z80_FLAG_H : 0)
                       | (res == 0x80 ? Z80_FLAG_PV : 0)));
        return res;
    }
    Z80_INLINE uint8_t dec8(uint8_t v)
    {
        const uint8_t res = (uint8_t)(v - 1);
        setF((uint8_t)((F() & Z80_FLAG_C) | Z80Core_SZ[res] | (res & kFlags53)
                       | ((res & 0x0F) == 0x0F ? Z80_FLAG_H : 0) | (res == 0x7F ? Z80_FLAG_PV : 0) | Z80_FLAG_N));
        return res;
    }
    Z80_INLINE void add16(uint16_t& dst, uint16_t v)
    {
        const uint32_t r = (uint32_t)dst + v;
        setF((uint8_t)((F() & kKeepSZP) | ((r >> 8) & kFlags53) | (((dst ^ v ^ r) >> 8) & Z80_FLAG_H)
                       | ((r >> 16) & Z80_FLAG_C)));
        dst = (uint16_t)r;
    }
    Z80_INLINE void adc16(uint16_t v)
    {
        const uint16_t hl = c.HL;
        const uint32_t r = (uint32_t)hl + v + (F() & Z80_FLAG_C);
        const uint16_t res = (uint16_t)r;
        setF((uint8_t)(((res >> 8) & (Z80_FLAG_S | kFlags53)) | (res == 0 ? Z80_FLAG_Z : 0)
                       | (((hl ^ v ^ r) >> 8) & Z80_FLAG_H) | (((hl ^ ~v) & (hl ^ r) & 0x8000) >> 13)
                       | ((r >> 16) & Z80_FLAG_C)));
        c.HL = res;
    }
    Z80_INLINE void sbc16(uint16_t v)
    {
        const uint16_t hl = c.HL;
        const uint32_t r = (uint32_t)hl - v - (F() & Z80_FLAG_C);
        const uint16_t res = (uint16_t)r;
        setF((uint8_t)(((res >> 8) & (Z80_FLAG_S | kFlags53)) | (res == 0 ? Z80_FLAG_Z : 0)
                       | (((hl ^ v ^ r) >> 8) & Z80_FLAG_H) | (((hl ^ v) & (hl ^ r) & 0x8000) >> 13) | Z80_FLAG_N
                       | ((r >> 16) & Z80_FLAG_C)));
        c.HL = res;
    }

    // CB rotates and shifts: RLC RRC RL RR SLA SRA SLL SRL.
    Z80_INLINE uint8_t rot(int op, uint8_t v)
    {
        uint8_t res;
        uint8_t carry;
        switch (op) {
        case 0: carry = v >> 7; res = (uint8_t)(v << 1 | carry); break;
        case 1: carry = v & 1; res = (uint8_t)(v >> 1 | carry << 7); break;
        case 2: carry = v >> 7; res = (uint8_t)(v << 1 | (F() & Z80_FLAG_C)); break;
        case 3: carry = v & 1; res = (uint8_t)(v >> 1 | (F() & Z80_FLAG_C) << 7); break;
        case 4: carry = v >> 7; res = (uint8_t)(v << 1); break;
        case 5: carry = v & 1; res = (uint8_t)((v >> 1) | (v & 0x80)); break;
        case 6: carry = v >> 7; res = (uint8_t)(v << 1 | 1); break;
        default: carry = v & 1; res = (uint8_t)(v >> 1); break;
        }
        setF((uint8_t)(Z80Core_SZP[res] | (res & kFlags53) | carry));
        return res;
    }
    // BIT: without MEMPTR the bits 5 and 3 stay clear.
    Z80_INLINE void bit(int b, uint8_t v)
    {
        setF((uint8_t)((F() & Z80_FLAG_C) | Z80_FLAG_H | (Z80Core_SZP[v & (1 << b)] & kKeepSZP)));
    }

    // ---- decoders -----------------------------------------------------
    template <int XY>
    Z80_INLINE void run();
    // The DD and FD decoders, kept out of line of the unprefixed one.
    template <int XY>
    Z80_NOINLINE void runIndexed() { run<XY>(); }
    void execCB();
    void execED();
    template <int XY>
    void execXYCB();

    Z80_INLINE void halt()
    {
        c.PC = (uint16_t)(c.PC - 1);   // back onto the 0x76 byte
        c.status |= Z80_HALTED;
    }

    Z80_INLINE void blockIO(uint8_t v, unsigned k)
    {
        const uint8_t b = Hi(c.BC);
        setF((uint8_t)(Z80Core_SZ[b] | (b & kFlags53) | ((v & 0x80) ? Z80_FLAG_N : 0)
                       | (k > 255 ? (Z80_FLAG_H | Z80_FLAG_C) : 0)));
    }
};

// LD r,r' and the ALU ops on a register, expanded per opcode so that the
// register fields are constants.
#define Z80_LD_ROW(base, dst)                                                                                          \
    case base + 0: set8<dst, XY>(get8<0, XY>()); break;                                                                \
    case base + 1: set8<dst, XY>(get8<1, XY>()); break;                                                                \
    case base + 2: set8<dst, XY>(get8<2, XY>()); break;                                                                \
    case base + 3: set8<dst, XY>(get8<3, XY>()); break;                                                                \
    case base + 4: set8<dst, XY>(get8<4, XY>()); break;                                                                \
    case base + 5: set8<dst, XY>(get8<5, XY>()); break;                                                                \
    case base + 6: set8<dst, 0>(rd(addrHL<XY>())); break;                                                              \
    case base + 7: set8<dst, XY>(get8<7, XY>()); break;

#define Z80_ALU_ROW(base, op)                                                                                          \
    case base + 0: alu<op>(get8<0, XY>()); break;                                                                      \
    case base + 1: alu<op>(get8<1, XY>()); break;                                                                      \
    case base + 2: alu<op>(get8<2, XY>()); break;                                                                      \
    case base + 3: alu<op>(get8<3, XY>()); break;                                                                      \
    case base + 4: alu<op>(get8<4, XY>()); break;                                                                      \
    case base + 5: alu<op>(get8<5, XY>()); break;                                                                      \
    case base + 6: alu<op>(rd(addrHL<XY>())); break;                                                                   \
    case base + 7: alu<op>(get8<7, XY>()); break;

// INC r, DEC r, LD r,n for one register field.
#define Z80_R_OPS(r)                                                                                                   \
    case (r) << 3 | 4: set8<r, XY>(inc8(get8<r, XY>())); break;                                                        \
    case (r) << 3 | 5: set8<r, XY>(dec8(get8<r, XY>())); break;                                                        \
    case (r) << 3 | 6: set8<r, XY>(fetch()); break;

template <int XY>
Z80_INLINE void Exec::run()
{
    const uint8_t op = fetch();
    const int8_t* cycles = XY ? c.cyclesXY : c.cyclesMain;
    c.stepCycles += cycles[op];
    incR();

    switch (op) {
    case 0x00: break;
    case 0x01: c.BC = fetch16(); break;
    case 0x11: c.DE = fetch16(); break;
    case 0x21: hl<XY>() = fetch16(); break;
    case 0x31: c.SP = fetch16(); break;
    case 0x02: wr(c.BC, A()); break;
    case 0x12: wr(c.DE, A()); break;
    case 0x0A: setA(rd(c.BC)); break;
    case 0x1A: setA(rd(c.DE)); break;
    case 0x03: c.BC++; break;
    case 0x13: c.DE++; break;
    case 0x23: hl<XY>()++; break;
    case 0x33: c.SP++; break;
    case 0x0B: c.BC--; break;
    case 0x1B: c.DE--; break;
    case 0x2B: hl<XY>()--; break;
    case 0x3B: c.SP--; break;
    Z80_R_OPS(0)
    Z80_R_OPS(1)
    Z80_R_OPS(2)
    Z80_R_OPS(3)
    Z80_R_OPS(4)
    Z80_R_OPS(5)
    Z80_R_OPS(7)
    case 0x34: { const uint16_t a = addrHL<XY>(); wr(a, inc8(rd(a))); break; }
    case 0x35: { const uint16_t a = addrHL<XY>(); wr(a, dec8(rd(a))); break; }
    case 0x36: { const uint16_t a = addrHL<XY>(); wr(a, fetch()); break; }
    case 0x07: {
        const uint8_t a = A();
        const uint8_t res = (uint8_t)(a << 1 | a >> 7);
        c.AF = (uint16_t)(res << 8 | (F() & kKeepSZP) | (res & kFlags53) | (a >> 7));
        break;
    }
    case 0x0F: {
        const uint8_t a = A();
        const uint8_t res = (uint8_t)(a >> 1 | a << 7);
        c.AF = (uint16_t)(res << 8 | (F() & kKeepSZP) | (res & kFlags53) | (a & 1));
        break;
    }
    case 0x17: {
        const uint8_t a = A();
        const uint8_t res = (uint8_t)(a << 1 | (F() & Z80_FLAG_C));
        c.AF = (uint16_t)(res << 8 | (F() & kKeepSZP) | (res & kFlags53) | (a >> 7));
        break;
    }
    case 0x1F: {
        const uint8_t a = A();
        const uint8_t res = (uint8_t)(a >> 1 | (F() & Z80_FLAG_C) << 7);
        c.AF = (uint16_t)(res << 8 | (F() & kKeepSZP) | (res & kFlags53) | (a & 1));
        break;
    }
    case 0x08: { const uint16_t t = c.AF; c.AF = c.AF2; c.AF2 = t; break; }
    case 0x09: add16(hl<XY>(), c.BC); break;
    case 0x19: add16(hl<XY>(), c.DE); break;
    case 0x29: add16(hl<XY>(), hl<XY>()); break;
    case 0x39: add16(hl<XY>(), c.SP); break;
    case 0x10: {
        const int8_t d = (int8_t)fetch();
        SetHi(c.BC, (uint8_t)(Hi(c.BC) - 1));
        if (Hi(c.BC) != 0) {
            c.PC = (uint16_t)(c.PC + d);
            c.stepCycles += cycles[256 + op];
        }
        break;
    }
    case 0x18: { const int8_t d = (int8_t)fetch(); c.PC = (uint16_t)(c.PC + d); break; }
    case 0x20: case 0x28: case 0x30: case 0x38: {
        const int8_t d = (int8_t)fetch();
        if (cond((op >> 3) & 3)) {
            c.PC = (uint16_t)(c.PC + d);
            c.stepCycles += cycles[256 + op];
        }
        break;
    }
    case 0x22: wr16(fetch16(), hl<XY>()); break;
    case 0x2A: hl<XY>() = rd16(fetch16()); break;
    case 0x32: wr(fetch16(), A()); break;
    case 0x3A: setA(rd(fetch16())); break;
    case 0x27: {
        const uint8_t f = F();
        c.AF = Z80Core_DAA[A() | (f & Z80_FLAG_C) << 8 | ((f & Z80_FLAG_H) ? 0x200 : 0) | ((f & Z80_FLAG_N) ? 0x400 : 0)];
        break;
    }
    case 0x2F: {
        const uint8_t a = (uint8_t)~A();
        c.AF = (uint16_t)(a << 8 | (F() & (kKeepSZP | Z80_FLAG_C)) | Z80_FLAG_H | Z80_FLAG_N | (a & kFlags53));
        break;
    }
    case 0x37: setF((uint8_t)((F() & kKeepSZP) | (A() & kFlags53) | Z80_FLAG_C)); break;
    case 0x3F: {
        const uint8_t f = F();
        setF((uint8_t)((f & kKeepSZP) | (A() & kFlags53) | ((f & Z80_FLAG_C) ? Z80_FLAG_H : 0)
                       | ((f & Z80_FLAG_C) ^ Z80_FLAG_C)));
        break;
    }

    Z80_LD_ROW(0x40, 0)
    Z80_LD_ROW(0x48, 1)
    Z80_LD_ROW(0x50, 2)
    Z80_LD_ROW(0x58, 3)
    Z80_LD_ROW(0x60, 4)
    Z80_LD_ROW(0x68, 5)
    Z80_LD_ROW(0x78, 7)
    case 0x70: { const uint16_t a = addrHL<XY>(); wr(a, get8<0>()); break; }
    case 0x71: { const uint16_t a = addrHL<XY>(); wr(a, get8<1>()); break; }
    case 0x72: { const uint16_t a = addrHL<XY>(); wr(a, get8<2>()); break; }
    case 0x73: { const uint16_t a = addrHL<XY>(); wr(a, get8<3>()); break; }
    case 0x74: { const uint16_t a = addrHL<XY>(); wr(a, get8<4>()); break; }
    case 0x75: { const uint16_t a = addrHL<XY>(); wr(a, get8<5>()); break; }
    case 0x76: halt(); break;
    case 0x77: { const uint16_t a = addrHL<XY>(); wr(a, get8<7>()); break; }

    Z80_ALU_ROW(0x80, 0)
    Z80_ALU_ROW(0x88, 1)
    Z80_ALU_ROW(0x90, 2)
    Z80_ALU_ROW(0x98, 3)
    Z80_ALU_ROW(0xA0, 4)
    Z80_ALU_ROW(0xA8, 5)
    Z80_ALU_ROW(0xB0, 6)
    Z80_ALU_ROW(0xB8, 7)
    case 0xC6: alu<0>(fetch()); break;
    case 0xCE: alu<1>(fetch()); break;
    case 0xD6: alu<2>(fetch()); break;
    case 0xDE: alu<3>(fetch()); break;
    case 0xE6: alu<4>(fetch()); break;
    case 0xEE: alu<5>(fetch()); break;
    case 0xF6: alu<6>(fetch()); break;
    case 0xFE: alu<7>(fetch()); break;

    case 0xC0: case 0xC8: case 0xD0: case 0xD8: case 0xE0: case 0xE8: case 0xF0: case 0xF8:
        if (cond((op >> 3) & 7)) {
            c.PC = pop();
            c.stepCycles += cycles[256 + op];
        }
        break;
    case 0xC9: c.PC = pop(); break;
    case 0xC1: c.BC = pop(); break;
    case 0xD1: c.DE = pop(); break;
    case 0xE1: hl<XY>() = pop(); break;
    case 0xF1: c.AF = pop(); break;
    case 0xC5: push(c.BC); break;
    case 0xD5: push(c.DE); break;
    case 0xE5: push(hl<XY>()); break;
    case 0xF5: push(c.AF); break;
    case 0xC2: case 0xCA: case 0xD2: case 0xDA: case 0xE2: case 0xEA: case 0xF2: case 0xFA: {
        const uint16_t nn = fetch16();
        if (cond((op >> 3) & 7)) c.PC = nn;
        break;
    }
    case 0xC3: c.PC = fetch16(); break;
    case 0xC4: case 0xCC: case 0xD4: case 0xDC: case 0xE4: case 0xEC: case 0xF4: case 0xFC: {
        const uint16_t nn = fetch16();
        if (cond((op >> 3) & 7)) {
            push(c.PC);
            c.PC = nn;
            c.stepCycles += cycles[256 + op];
        }
        break;
    }
    case 0xCD: { const uint16_t nn = fetch16(); push(c.PC); c.PC = nn; break; }
    case 0xC7: case 0xCF: case 0xD7: case 0xDF: case 0xE7: case 0xEF: case 0xF7: case 0xFF:
        push(c.PC);
        c.PC = op & 0x38;
        break;
    case 0xD3: { const uint8_t n = fetch(); out((uint16_t)(A() << 8 | n), A()); break; }
    case 0xDB: { const uint8_t n = fetch(); setA(in((uint16_t)(A() << 8 | n))); break; }
    case 0xD9: {
        uint16_t t = c.BC; c.BC = c.BC2; c.BC2 = t;
        t = c.DE; c.DE = c.DE2; c.DE2 = t;
        t = c.HL; c.HL = c.HL2; c.HL2 = t;
        break;
    }
    case 0xE3: {
        uint16_t& r = hl<XY>();
        const uint16_t v = rd16(c.SP);
        wr16(c.SP, r);
        r = v;
        break;
    }
    case 0xE9: c.PC = hl<XY>(); break;
    case 0xEB: { const uint16_t t = c.DE; c.DE = c.HL; c.HL = t; break; }
    case 0xF9: c.SP = hl<XY>(); break;
    case 0xF3: c.status &= (uint8_t)~(Z80_IFF1 | Z80_IFF2 | Z80_EI_PENDING); break;
    case 0xFB:
        if (!(c.status & Z80_IFF1)) c.status |= Z80_EI_PENDING;
        break;

    case 0xCB:
        if constexpr (XY == 0) execCB();
        else execXYCB<XY>();
        break;
    case 0xED:
    case 0xDD:
    case 0xFD:
        if constexpr (XY == 0) {
            if (op == 0xED) execED();
            else if (op == 0xDD) runIndexed<1>();
            else runIndexed<2>();
        } else {
            // A prefix after DD/FD: this step ends here and the next one
            // starts at the second prefix.
            c.PC = (uint16_t)(c.PC - 1);
            c.stepCycles += cycles[0x00];
        }
        break;
    }
}

void Exec::execCB()
{
    const uint8_t op = fetch();
    c.stepCycles += c.cyclesCB[op];
    incR();
    const int r = op & 7;
    const int b = (op >> 3) & 7;
    const uint8_t v = r == 6 ? rd(c.HL) : getReg(r);
    uint8_t res;
    switch (op >> 6) {
    case 0: res = rot(b, v); break;
    case 1: bit(b, v); return;
    case 2: res = (uint8_t)(v & ~(1 << b)); break;
    default: res = (uint8_t)(v | (1 << b)); break;
    }
    if (r == 6) wr(c.HL, res);
    else setReg(r, res);
}

template <int XY>
void Exec::execXYCB()
{
    const int8_t d = (int8_t)rd(c.PC);
    const uint8_t op = rd((uint16_t)(c.PC + 1));
    c.PC = (uint16_t)(c.PC + 2);
    const uint16_t addr = (uint16_t)(hl<XY>() + d);
    c.stepCycles += c.cyclesXYCB[op];
    incR();
    const int r = op & 7;
    const int b = (op >> 3) & 7;
    const uint8_t v = rd(addr);
    uint8_t res;
    switch (op >> 6) {
    case 0: res = rot(b, v); break;
    case 1: bit(b, v); return;
    case 2: res = (uint8_t)(v & ~(1 << b)); break;
    default: res = (uint8_t)(v | (1 << b)); break;
    }
    wr(addr, res);
    if (r != 6) setReg(r, res);   // plain B C D E H L A, never IXH/IXL
}

void Exec::execED()
{
    const uint8_t op = fetch();
    c.stepCycles += c.cyclesED[op];
    incR();
    if (op < 0x40 || op > 0xBF) return;   // undefined: no operation

    switch (op) {
    case 0x40: case 0x48: case 0x50: case 0x58: case 0x60: case 0x68: case 0x70: case 0x78: {
        const uint8_t v = in(c.BC);
        setF((uint8_t)((F() & Z80_FLAG_C) | Z80Core_SZP[v] | (v & kFlags53)));
        setReg((op >> 3) & 7, v);   // field 6 (IN [C]): flags only
        break;
    }
    case 0x41: case 0x49: case 0x51: case 0x59: case 0x61: case 0x69: case 0x71: case 0x79:
        out(c.BC, ((op >> 3) & 7) == 6 ? 0 : getReg((op >> 3) & 7));
        break;
    case 0x42: case 0x52: case 0x62: case 0x72: sbc16(pairAt((op >> 4) & 3)); break;
    case 0x4A: case 0x5A: case 0x6A: case 0x7A: adc16(pairAt((op >> 4) & 3)); break;
    case 0x43: case 0x53: case 0x63: case 0x73: wr16(fetch16(), pairAt((op >> 4) & 3)); break;
    case 0x4B: case 0x5B: case 0x6B: case 0x7B: pairAt((op >> 4) & 3) = rd16(fetch16()); break;
    case 0x44: case 0x4C: case 0x54: case 0x5C: case 0x64: case 0x6C: case 0x74: case 0x7C: {
        const uint8_t v = A();
        setA(0);
        sub8(v, 0);
        break;
    }
    case 0x45: case 0x55: case 0x5D: case 0x65: case 0x6D: case 0x75: case 0x7D:
        c.status = (uint8_t)((c.status & ~Z80_IFF1) | ((c.status & Z80_IFF2) ? Z80_IFF1 : 0));
        c.PC = pop();
        break;
    case 0x4D: c.PC = pop(); break;
    case 0x46: case 0x4E: case 0x66: case 0x6E: c.status &= (uint8_t)~(Z80_IM1 | Z80_IM2); break;
    case 0x56: case 0x76: c.status = (uint8_t)((c.status & ~Z80_IM2) | Z80_IM1); break;
    case 0x5E: case 0x7E: c.status = (uint8_t)((c.status & ~Z80_IM1) | Z80_IM2); break;
    case 0x47: c.I = A(); break;
    case 0x4F: c.R = A(); break;
    case 0x57:
    case 0x5F: {
        const uint8_t v = op == 0x57 ? c.I : c.R;
        setA(v);
        setF((uint8_t)((F() & Z80_FLAG_C) | Z80Core_SZ[v] | (v & kFlags53)
                       | ((c.status & Z80_IFF2) ? Z80_FLAG_PV : 0)));
        break;
    }
    case 0x67: {
        const uint8_t m = rd(c.HL);
        const uint8_t a = A();
        wr(c.HL, (uint8_t)(a << 4 | m >> 4));
        const uint8_t na = (uint8_t)((a & 0xF0) | (m & 0x0F));
        c.AF = (uint16_t)(na << 8 | (F() & Z80_FLAG_C) | Z80Core_SZP[na] | (na & kFlags53));
        break;
    }
    case 0x6F: {
        const uint8_t m = rd(c.HL);
        const uint8_t a = A();
        wr(c.HL, (uint8_t)(m << 4 | (a & 0x0F)));
        const uint8_t na = (uint8_t)((a & 0xF0) | (m >> 4));
        c.AF = (uint16_t)(na << 8 | (F() & Z80_FLAG_C) | Z80Core_SZP[na] | (na & kFlags53));
        break;
    }

    case 0xA0: case 0xA8: case 0xB0: case 0xB8: {   // LDI LDD LDIR LDDR
        const uint16_t step = (op & 0x08) ? 0xFFFF : 1;
        const uint8_t v = rd(c.HL);
        wr(c.DE, v);
        c.HL = (uint16_t)(c.HL + step);
        c.DE = (uint16_t)(c.DE + step);
        c.BC--;
        const unsigned k = v + A();
        setF((uint8_t)((F() & (Z80_FLAG_S | Z80_FLAG_Z | Z80_FLAG_C)) | (k & Z80_FLAG_3) | ((k & 0x02) << 4)
                       | (c.BC != 0 ? Z80_FLAG_PV : 0)));
        if ((op & 0x10) && c.BC != 0) {
            c.PC = (uint16_t)(c.PC - 2);
            c.stepCycles += c.cyclesED[256 + op];
        }
        break;
    }
    case 0xA1: case 0xA9: case 0xB1: case 0xB9: {   // CPI CPD CPIR CPDR
        const uint16_t step = (op & 0x08) ? 0xFFFF : 1;
        const uint8_t v = rd(c.HL);
        const uint8_t a = A();
        const uint8_t res = (uint8_t)(a - v);
        const uint8_t h = (a ^ v ^ res) & Z80_FLAG_H;
        c.HL = (uint16_t)(c.HL + step);
        c.BC--;
        const uint8_t k = (uint8_t)(res - (h ? 1 : 0));
        setF((uint8_t)((F() & Z80_FLAG_C) | Z80Core_SZ[res] | h | ((k & 0x02) << 4) | (k & Z80_FLAG_3)
                       | (c.BC != 0 ? Z80_FLAG_PV : 0) | Z80_FLAG_N));
        if ((op & 0x10) && c.BC != 0 && res != 0) {
            c.PC = (uint16_t)(c.PC - 2);
            c.stepCycles += c.cyclesED[256 + op];
        }
        break;
    }
    case 0xA2: case 0xAA: case 0xB2: case 0xBA: {   // INI IND INIR INDR
        const bool down = (op & 0x08) != 0;
        const uint8_t v = in(c.BC);
        SetHi(c.BC, (uint8_t)(Hi(c.BC) - 1));
        wr(c.HL, v);
        c.HL = (uint16_t)(c.HL + (down ? 0xFFFF : 1));
        blockIO(v, v + (unsigned)((uint8_t)(Lo(c.BC) + (down ? -1 : 1))));
        if ((op & 0x10) && Hi(c.BC) != 0) {
            c.PC = (uint16_t)(c.PC - 2);
            c.stepCycles += c.cyclesED[256 + op];
        }
        break;
    }
    case 0xA3: case 0xAB: case 0xB3: case 0xBB: {   // OUTI OUTD OTIR OTDR
        const bool down = (op & 0x08) != 0;
        SetHi(c.BC, (uint8_t)(Hi(c.BC) - 1));
        const uint8_t v = rd(c.HL);
        c.HL = (uint16_t)(c.HL + (down ? 0xFFFF : 1));
        out(c.BC, v);
        blockIO(v, v + (unsigned)Lo(c.HL));
        if ((op & 0x10) && Hi(c.BC) != 0) {
            c.PC = (uint16_t)(c.PC - 2);
            c.stepCycles += c.cyclesED[256 + op];
        }
        break;
    }
    default: break;   // ED holes, ED FE included: no operation
    }
}

#undef Z80_LD_ROW
#undef Z80_ALU_ROW
#undef Z80_R_OPS

// Runs one decoder of the core on its buses.
template <typename Fn>
inline void WithBuses(Z80Core* core, Fn fn)
{
    if (core == nullptr) return;
    Z80Buses* buses = core->buses;
    if (buses == nullptr || buses->memory == nullptr || buses->io == nullptr) return;
    Exec e(*core, *buses->memory, *buses->io);
    fn(e);
}

}  // namespace

void Z80Core_Init(Z80Core* core, int64_t clock, int64_t baseClock)
{
    *core = Z80Core{};
    core->cyclesMain = Z80Core_CyclesMain;
    core->cyclesCB = Z80Core_CyclesCB;
    core->cyclesED = Z80Core_CyclesED;
    core->cyclesXY = Z80Core_CyclesXY;
    core->cyclesXYCB = Z80Core_CyclesXYCB;
    core->cycleRatio = baseClock != 0 ? (float)clock / (float)baseClock : 1.0f;
    core->decoder = Z80Core_Execute;
    core->buses = nullptr;
}

void Z80Core_Reset(Z80Core* core)
{
    core->AF = core->BC = core->DE = core->HL = 0;
    core->AF2 = core->BC2 = core->DE2 = core->HL2 = 0;
    core->IX = core->IY = core->PC = core->SP = 0;
    core->status = 0;
    core->I = 0;
    core->R = 0;
    core->stepCycles = 0;
}

namespace {

// One step of the core. Plain (the unprefixed decoder and cycle ratio 1,
// as every core has): the decoder runs in place on the caller's Exec view,
// whose buses are known to be set, and the cycles need no scaling.
// Otherwise the decoder is called through the record's pointer and the
// cycles are scaled as a step scales them.
template <bool Plain>
Z80_INLINE int32_t StepOn(Z80Core* core, Exec& e)
{
    core->stepCycles = 0;
    if (core->status & Z80_EI_PENDING) {
        core->status = (uint8_t)((core->status & ~Z80_EI_PENDING) | Z80_IFF1 | Z80_IFF2);
    }
    if constexpr (Plain) {
        e.run<0>();
        return (int32_t)core->stepCycles;   // far below 2^24: exact as a float product at ratio 1
    } else {
        core->decoder(core);
        return (int32_t)((float)core->stepCycles * core->cycleRatio);
    }
}

template <bool Plain>
Z80_INLINE int32_t RunOn(Z80Core* core, Exec& e, int64_t* cycles, int64_t target, const bool* stop, bool stopOnHalt)
{
    int32_t n = 0;
    while (*cycles < target) {
        n = StepOn<Plain>(core, e);
        *cycles += n;
        if (*stop) break;
        if (stopOnHalt && (core->status & Z80_HALTED)) break;
    }
    return n;
}

}  // namespace

// A single step calls the decoder through the record, as it always has; the
// decoder checks the buses.
int32_t Z80Core_Step(Z80Core* core)
{
    core->stepCycles = 0;
    if (core->status & Z80_EI_PENDING) {
        core->status = (uint8_t)((core->status & ~Z80_EI_PENDING) | Z80_IFF1 | Z80_IFF2);
    }
    core->decoder(core);
    return (int32_t)((float)core->stepCycles * core->cycleRatio);
}

int32_t Z80Core_Run(Z80Core* core, int64_t* cycles, int64_t target, const bool* stop, bool stopOnHalt)
{
    Z80Buses* buses = core->buses;
    if (buses == nullptr || buses->memory == nullptr || buses->io == nullptr) return 0;
    Exec e(*core, *buses->memory, *buses->io);
    if (core->decoder == Z80Core_Execute && core->cycleRatio == 1.0f) {
        return RunOn<true>(core, e, cycles, target, stop, stopOnHalt);
    }
    return RunOn<false>(core, e, cycles, target, stop, stopOnHalt);
}

int32_t Z80Core_Interrupt(Z80Core* core, uint32_t vector)
{
    const bool nmi = vector == Z80_NMI_VECTOR;
    if (!nmi && (!(core->status & Z80_IFF1) || (core->status & Z80_EI_PENDING))) return 0;
    int32_t cycles = 0;
    WithBuses(core, [&](Exec& e) {
        if (core->status & Z80_HALTED) {
            core->PC = (uint16_t)(core->PC + 1);   // past the HALT
            core->status &= (uint8_t)~Z80_HALTED;
        }
        e.push(core->PC);
        e.incR();
        if (nmi) {
            core->PC = 0x0066;
            core->status &= (uint8_t)~(Z80_IFF1 | Z80_EI_PENDING);
            cycles = core->cyclesMain[0xFF];
            return;
        }
        core->status &= (uint8_t)~(Z80_IFF1 | Z80_IFF2 | Z80_EI_PENDING);
        if (core->status & Z80_IM2) {
            core->PC = e.rd16((uint16_t)(core->I << 8 | (vector & 0xFF)));
            cycles = core->cyclesMain[0xCD];
        } else if (core->status & Z80_IM1) {
            core->PC = 0x0038;
            cycles = core->cyclesMain[0xFF];
        } else {
            // Mode 0: the vector is the opcode on the data bus; only the
            // restarts lead anywhere.
            if ((vector & 0xC7) == 0xC7 && vector <= 0xFF) core->PC = (uint16_t)(vector & 0x38);
            cycles = core->cyclesMain[0xFF];
        }
    });
    return (int32_t)((float)cycles * core->cycleRatio);
}

void Z80Core_Execute(Z80Core* core)
{
    WithBuses(core, [](Exec& e) { e.run<0>(); });
}

void Z80Core_ExecCB(Z80Core* core)
{
    WithBuses(core, [](Exec& e) { e.execCB(); });
}

void Z80Core_ExecED(Z80Core* core)
{
    WithBuses(core, [](Exec& e) { e.execED(); });
}

void Z80Core_ExecDD(Z80Core* core)
{
    WithBuses(core, [](Exec& e) { e.run<1>(); });
}

void Z80Core_ExecFD(Z80Core* core)
{
    WithBuses(core, [](Exec& e) { e.run<2>(); });
}

void Z80Core_ExecDDCB(Z80Core* core)
{
    WithBuses(core, [](Exec& e) { e.execXYCB<1>(); });
}

void Z80Core_ExecFDCB(Z80Core* core)
{
    WithBuses(core, [](Exec& e) { e.execXYCB<2>(); });
}
