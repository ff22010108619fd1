# Host-function slots, lazy entries, call thunks and missing-function traps
# for x86-64 (System V). Every stub keeps every register and the flags: a call
# that passes through a lazy entry reaches its target as a direct call would.

# DRAVENHOL_HOST_FUNCTION_COUNT, the number of catalogue lines, comes from the build.
        .altmacro
        .text

# Lazy entry n: bind slot n, then continue into whatever it now holds.
        .macro LAZY n
        .globl DravenholLazyEntry\n
        .hidden DravenholLazyEntry\n
DravenholLazyEntry\n:
        pushq $\n
        jmp dravenhol_resolve_and_continue
        .endm

# Call thunk n: continue into the slot's target; a null slot ends in a trap.
        .macro THUNK n
        .globl DravenholCallThunk\n
        .hidden DravenholCallThunk\n
DravenholCallThunk\n:
        cmpq $0, HostFunctionTable+8*\n(%rip)
        je 1f
        jmpq *HostFunctionTable+8*\n(%rip)
1:      pushq $\n
        jmp dravenhol_resolve_and_continue
        .endm

        .macro ADDRESS prefix, n
        .quad \prefix\n
        .endm

# On entry: [rsp] = slot, [rsp+8] = the caller's return address.
# DravenholResolveSlot(slot) returns the address to continue into; it replaces
# the slot number on the stack and the final ret jumps there.
dravenhol_resolve_and_continue:
        pushfq
        pushq %rax
        pushq %rdi
        pushq %rsi
        pushq %rdx
        pushq %rcx
        pushq %r8
        pushq %r9
        pushq %r10
        pushq %r11
        subq $128, %rsp
        movdqu %xmm0, 0(%rsp)
        movdqu %xmm1, 16(%rsp)
        movdqu %xmm2, 32(%rsp)
        movdqu %xmm3, 48(%rsp)
        movdqu %xmm4, 64(%rsp)
        movdqu %xmm5, 80(%rsp)
        movdqu %xmm6, 96(%rsp)
        movdqu %xmm7, 112(%rsp)
        movl 208(%rsp), %edi
        call DravenholResolveSlot
        movq %rax, 208(%rsp)
        movdqu 0(%rsp), %xmm0
        movdqu 16(%rsp), %xmm1
        movdqu 32(%rsp), %xmm2
        movdqu 48(%rsp), %xmm3
        movdqu 64(%rsp), %xmm4
        movdqu 80(%rsp), %xmm5
        movdqu 96(%rsp), %xmm6
        movdqu 112(%rsp), %xmm7
        addq $128, %rsp
        popq %r11
        popq %r10
        popq %r9
        popq %r8
        popq %rcx
        popq %rdx
        popq %rsi
        popq %rdi
        popq %rax
        popfq
        ret

# A call whose host function is missing returns 0 (callers clean the stack).
dravenhol_missing_trap:
        xorl %eax, %eax
        xorl %edx, %edx
        ret

# The stamp forwarder: resolves stampEntry on its first call (slot -1).
        .globl DravenholStampForwarder
        .hidden DravenholStampForwarder
DravenholStampForwarder:
        pushq $-1
        jmp dravenhol_resolve_and_continue

        .set i, 0
        .rept DRAVENHOL_HOST_FUNCTION_COUNT
        LAZY %i
        THUNK %i
        .set i, i+1
        .endr

        .data
        .balign 8
        .globl HostFunctionTable
        .hidden HostFunctionTable
HostFunctionTable:
        .set i, 0
        .rept DRAVENHOL_HOST_FUNCTION_COUNT
        ADDRESS DravenholLazyEntry, %i
        .set i, i+1
        .endr

        .section .data.rel.ro,"aw"
        .balign 8
        .globl DravenholLazyEntries
        .hidden DravenholLazyEntries
DravenholLazyEntries:
        .set i, 0
        .rept DRAVENHOL_HOST_FUNCTION_COUNT
        ADDRESS DravenholLazyEntry, %i
        .set i, i+1
        .endr

# Traps by the number of stack bytes the callee would pop (0, 4, ..., 32).
        .globl DravenholTraps
        .hidden DravenholTraps
DravenholTraps:
        .rept 9
        .quad dravenhol_missing_trap
        .endr

        .section .note.GNU-stack,"",@progbits
