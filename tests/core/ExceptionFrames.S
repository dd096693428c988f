// Functions laid out as the language's compiler lays out compiled code: frame-pointer frames,
// handler regions opened by 13-byte headers (jump, marker word, zero, variable offset), and the
// handler's first instruction reloading the stack pointer from the frame. The tests name
// [ExcCodeBegin, ExcCodeEnd) as the image's code and each function as one of its symbols.
//
// Each function takes (raiser, argument) and calls raiser(argument); a handler returns the
// exception from its variable, or a fixed number when it has none; the normal path returns 0.
// A handler leaves through the shared exit, as compiled code does: a function end inside it
// would stop the handler scan.
        .intel_syntax noprefix
        .text

.macro ENTER_FRAME locals
        push ebp
        mov ebp, esp
        sub esp, \locals
.endm

.macro CALL_RAISER
        push dword ptr [ebp+12]
        call dword ptr [ebp+8]
        add esp, 4
.endm

.macro MARKER word, variable
        .long \word
        .word 0
        .word \variable
.endm

// A region header (0x412 opens, 0x413 closes): a jump over its own marker.
.macro REGION word
        .byte 0xE9
        .long 8
        MARKER \word, 0
.endm

// A handler (0x411) whose normal path jumps over it; it answers result through the exit.
.macro HANDLER variable, result
        .byte 0xE9
        .long 1f - 0f
0:      MARKER 0x411, \variable
        lea esp, [ebp-8]
        mov eax, \result
        jmp 9f
1:
.endm

.macro RETURN_ZERO_OR_RESULT
        xor eax, eax
9:      leave
        ret
.endm

        .globl ExcCodeBegin, ExcHandlerAfterCall, ExcInner, ExcOuter, ExcNested
        .globl ExcCloseThenJump, ExcFar, ExcLocalHoldsReturn, ExcLocalReturnPoint, ExcCodeEnd
ExcCodeBegin:

// A handler right after the raising call; the exception goes to [ebp-4].
ExcHandlerAfterCall:
        ENTER_FRAME 8
        mov dword ptr [ebp-4], 0
        CALL_RAISER
        HANDLER -4, [ebp-4]
        RETURN_ZERO_OR_RESULT

// No handler of its own: counts its return through the int* third argument.
ExcInner:
        ENTER_FRAME 0
        CALL_RAISER
        mov ecx, dword ptr [ebp+16]
        inc dword ptr [ecx]
        leave
        ret

// The handler two compiled frames above the raise: ExcOuter -> ExcInner -> raiser.
ExcOuter:
        ENTER_FRAME 8
        mov dword ptr [ebp-4], 0
        push dword ptr [ebp+16]
        push dword ptr [ebp+12]
        push dword ptr [ebp+8]
        call ExcInner
        add esp, 12
        HANDLER -4, [ebp-4]
        RETURN_ZERO_OR_RESULT

// 0x412, 0x411 (inside the region: returns 1), 0x413, then the 0x411 that must be taken.
ExcNested:
        ENTER_FRAME 8
        mov dword ptr [ebp-8], 0
        CALL_RAISER
        REGION 0x412
        HANDLER -4, 1
        REGION 0x413
        HANDLER -8, [ebp-8]
        RETURN_ZERO_OR_RESULT

// A 0x413 at depth 0 leaves the depth at 0; then a short jump over a near jump that is no
// marker and whose displacement holds a function end, which a scan stepping into it would
// take. The handler has no variable and returns 3.
ExcCloseThenJump:
        ENTER_FRAME 8
        CALL_RAISER
        REGION 0x413
        .byte 0xEB, 0x05
        .byte 0xE9, 0xC9, 0xC3, 0x00, 0x00
        HANDLER 0, 3
        RETURN_ZERO_OR_RESULT

// Calls the raiser from a frame more than 4 KB below ExcFar's handler: unreachable.
ExcFarPad:
        ENTER_FRAME 0x1400
        CALL_RAISER
        leave
        ret

ExcFar:
        ENTER_FRAME 8
        push dword ptr [ebp+12]
        push dword ptr [ebp+8]
        call ExcFarPad
        add esp, 8
        HANDLER 0, 7
        RETURN_ZERO_OR_RESULT

// Calls raiser(argument) with two words on the stack that equal the call's return address:
// the argument and, right above it, a word read back afterwards. The third argument (0, 4, 8
// or 12) is first taken off the stack, so the call happens at every alignment. The handler
// (no variable) answers the word read back, which must still hold that address.
ExcLocalHoldsReturn:
        ENTER_FRAME 4
        sub esp, dword ptr [ebp+16]
        call 1f
1:      pop eax
        add eax, ExcLocalReturnPoint - 1b
        push eax
        mov dword ptr [ebp-4], esp
        push eax
        call dword ptr [ebp+8]
ExcLocalReturnPoint:
        add esp, 8
        .byte 0xE9
        .long 2f - 0f
0:      MARKER 0x411, 0
        mov ecx, dword ptr [ebp-4]
        mov eax, dword ptr [ecx]
        jmp 9f
2:
        RETURN_ZERO_OR_RESULT

ExcCodeEnd:

        .section .note.GNU-stack,"",@progbits
