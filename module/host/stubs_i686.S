# Host-function slots, lazy entries, call thunks and missing-function traps
# for i686 Windows (cdecl and thiscall). Every stub keeps every register and
# the flags: a call that passes through a lazy entry reaches its target as a
# direct call would, with the object pointer still in ECX.

# DRAVENHOL_HOST_FUNCTION_COUNT, the number of catalogue lines, comes from the build.
        .altmacro
        .text

        .macro LAZY n
        .globl _DravenholLazyEntry\n
_DravenholLazyEntry\n:
        pushl $\n
        jmp dravenhol_resolve_and_continue
        .endm

        .macro THUNK n
        .globl _DravenholCallThunk\n
_DravenholCallThunk\n:
        cmpl $0, _HostFunctionTable+4*\n
        je 1f
        jmp *_HostFunctionTable+4*\n
1:      pushl $\n
        jmp dravenhol_resolve_and_continue
        .endm

        .macro ADDRESS prefix, n
        .long \prefix\n
        .endm

        .macro TRAP bytes
dravenhol_missing_trap_\bytes:
        xorl %eax, %eax
        xorl %edx, %edx
        ret $\bytes
        .endm

# On entry: [esp] = slot, [esp+4] = the caller's return address.
dravenhol_resolve_and_continue:
        pushfl
        pushl %eax
        pushl %ecx
        pushl %edx
        pushl 16(%esp)
        call _DravenholResolveSlot
        addl $4, %esp
        movl %eax, 16(%esp)
        popl %edx
        popl %ecx
        popl %eax
        popfl
        ret

# A call whose host function is missing returns 0 and, like the thiscall
# function it stands for, pops that function's stack arguments.
        .set b, 0
        .rept 9
        TRAP %b
        .set b, b+4
        .endr

# The stamp forwarder: resolves stampEntry on its first call (slot -1).
        .globl _DravenholStampForwarder
_DravenholStampForwarder:
        pushl $-1
        jmp dravenhol_resolve_and_continue

        .set i, 0
        .rept DRAVENHOL_HOST_FUNCTION_COUNT
        LAZY %i
        THUNK %i
        .set i, i+1
        .endr

        .data
        .balign 4
        .globl _HostFunctionTable
_HostFunctionTable:
        .set i, 0
        .rept DRAVENHOL_HOST_FUNCTION_COUNT
        ADDRESS _DravenholLazyEntry, %i
        .set i, i+1
        .endr

        .section .rdata,"dr"
        .balign 4
        .globl _DravenholLazyEntries
_DravenholLazyEntries:
        .set i, 0
        .rept DRAVENHOL_HOST_FUNCTION_COUNT
        ADDRESS _DravenholLazyEntry, %i
        .set i, i+1
        .endr

        .globl _DravenholTraps
_DravenholTraps:
        .set b, 0
        .rept 9
        ADDRESS dravenhol_missing_trap_, %b
        .set b, b+4
        .endr
