// The call-barrier test application: compiled handlers that the test calls from foreign frames,
// through a GLib signal emission and through a plug-in built without frame pointers. None has a
// handler for what it raises, except where said. QVEntry hands their addresses to the test from
// inside a protected region of its own: no exception raised in a handler may reach it there.
// Observations go to the test's exports BarrierRecord and BarrierRecordException.
        .intel_syntax noprefix
        .text

// A handler header: the normal path jumps to `over`; the exception goes to [ebp-4].
.macro HANDLER_HEADER over
        .byte 0xE9
        .long \over - (. + 4)
        .long 0x411
        .word 0, -4
.endm

// The handler's body: records the exception under key, drops it, and answers result.
.macro RECORD_EXCEPTION key, result
        lea esp, [ebp-8]
        push dword ptr [ebp-4]
        push \key
        call BarrierRecordException
        push dword ptr [ebp-4]
        call RuntimeUnlockObject
        mov eax, \result
.endm

.macro ENTER_WITH_VARIABLE
        push ebp
        mov ebp, esp
        sub esp, 8
        mov dword ptr [ebp-4], 0
.endm

        .globl QVEntry
        .type QVEntry, @function
QVEntry:
        ENTER_WITH_VARIABLE
        call RuntimeInitExternalClasses
        push offset BaitReturn
        push offset CallsInnerThenRaises
        push offset CatchesOwn
        push offset RaisesUnhandled
        call BarrierRunScenarios
        add esp, 16
        HANDLER_HEADER 1f
        RECORD_EXCEPTION 90, 0          // must never run
1:      leave
        ret

// (object, key) -> Boolean: records (key, 1), raises with no handler, records (key, 2) to show
// that it ran on to its return, and answers 7 (true, were its result used).
        .globl RaisesUnhandled
        .type RaisesUnhandled, @function
RaisesUnhandled:
        push ebp
        mov ebp, esp
        push 1
        push dword ptr [ebp+12]
        call BarrierRecord
        call BarrierRaise
        push 2
        push dword ptr [ebp+12]
        call BarrierRecord
        mov eax, 7
        leave
        ret

// (object, key) -> 5 from its own handler, which records the exception under key.
        .globl CatchesOwn
        .type CatchesOwn, @function
CatchesOwn:
        ENTER_WITH_VARIABLE
        call BarrierRaise
        HANDLER_HEADER 1f
        RECORD_EXCEPTION "dword ptr [ebp+12]", 5
        jmp 2f
1:      xor eax, eax
2:      leave
        ret

// (object, key) -> 6: calls the framework, which calls RaisesUnhandled (key + 1) behind a
// barrier of its own; then raises, and its handler records that exception under key.
        .globl CallsInnerThenRaises
        .type CallsInnerThenRaises, @function
CallsInnerThenRaises:
        ENTER_WITH_VARIABLE
        push dword ptr [ebp+12]
        push dword ptr [ebp+8]
        call BarrierCallInner
        call BarrierRaise
        HANDLER_HEADER 1f
        RECORD_EXCEPTION "dword ptr [ebp+12]", 6
        jmp 2f
1:      xor eax, eax
2:      leave
        ret

// Never called: BaitReturn is a return address with a handler right after it, which the
// plug-in leaves in a frame-like record on its stack. A walk that read the plug-in's frames
// would take it for a compiled caller and rewrite the plug-in's memory.
        .type BaitFunction, @function
BaitFunction:
        ENTER_WITH_VARIABLE
        call BarrierRaise
BaitReturn:
        HANDLER_HEADER 1f
        RECORD_EXCEPTION 91, 0
1:      leave
        ret

        .section .note.GNU-stack,"",@progbits
