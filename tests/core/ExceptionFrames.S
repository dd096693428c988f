/* Functions laid out as the language's compiler lays out compiled code: frame-pointer frames,
 * handler regions opened by 13-byte headers (jump, marker word, zero, variable offset), and the
 * handler's first instruction reloading the stack pointer from the frame. The tests name
 * [ExcCodeBegin, ExcCodeEnd) as the image's code and each function as one of its symbols.
 *
 * Each function takes (raiser, argument) and calls raiser(argument); a handler returns the
 * exception from its variable, or a fixed number when it has none; the normal path returns 0. */
        .intel_syntax noprefix
        .text

.macro MARKER word, variable
        .long \word
        .word 0
        .word \variable
.endm

        .globl ExcCodeBegin
ExcCodeBegin:

/* A handler right after the raising call; the exception goes to [ebp-4]. */
        .globl ExcHandlerAfterCall
ExcHandlerAfterCall:
        push ebp
        mov ebp, esp
        sub esp, 8
        mov dword ptr [ebp-4], 0
        push dword ptr [ebp+12]
        call dword ptr [ebp+8]
        add esp, 4
        .byte 0xE9
        .long 1f - 0f
0:      MARKER 0x411, -4
        lea esp, [ebp-8]
        mov eax, dword ptr [ebp-4]
        jmp 2f
1:      xor eax, eax
2:      leave
        ret

/* No handler of its own: counts its return through the int* third argument. */
        .globl ExcInner
ExcInner:
        push ebp
        mov ebp, esp
        push dword ptr [ebp+12]
        call dword ptr [ebp+8]
        add esp, 4
        mov ecx, dword ptr [ebp+16]
        inc dword ptr [ecx]
        leave
        ret

/* The handler two compiled frames above the raise: ExcOuter -> ExcInner -> raiser. */
        .globl ExcOuter
ExcOuter:
        push ebp
        mov ebp, esp
        sub esp, 8
        mov dword ptr [ebp-4], 0
        push dword ptr [ebp+16]
        push dword ptr [ebp+12]
        push dword ptr [ebp+8]
        call ExcInner
        add esp, 12
        .byte 0xE9
        .long 1f - 0f
0:      MARKER 0x411, -4
        lea esp, [ebp-8]
        mov eax, dword ptr [ebp-4]
        jmp 2f
1:      xor eax, eax
2:      leave
        ret

/* 0x412, 0x411 (inside the region: returns 1), 0x413, then the 0x411 that must be taken. */
        .globl ExcNested
ExcNested:
        push ebp
        mov ebp, esp
        sub esp, 8
        mov dword ptr [ebp-8], 0
        push dword ptr [ebp+12]
        call dword ptr [ebp+8]
        add esp, 4
        .byte 0xE9
        .long 8
        MARKER 0x412, 0
        .byte 0xE9
        .long 1f - 0f
0:      MARKER 0x411, -4
        lea esp, [ebp-8]
        mov eax, 1
        jmp 4f
1:      .byte 0xE9
        .long 8
        MARKER 0x413, 0
        .byte 0xE9
        .long 3f - 2f
2:      MARKER 0x411, -8
        lea esp, [ebp-8]
        mov eax, dword ptr [ebp-8]
        jmp 4f
3:      xor eax, eax
4:      leave
        ret

/* A 0x413 at depth 0 leaves the depth at 0; then a short jump over a near jump that is no
 * marker and whose displacement holds a function end, which a scan stepping into it would
 * take. The handler has no variable and returns 3. */
        .globl ExcCloseThenJump
ExcCloseThenJump:
        push ebp
        mov ebp, esp
        sub esp, 8
        push dword ptr [ebp+12]
        call dword ptr [ebp+8]
        add esp, 4
        .byte 0xE9
        .long 8
        MARKER 0x413, 0
        .byte 0xEB, 0x05
        .byte 0xE9, 0xC9, 0xC3, 0x00, 0x00
        .byte 0xE9
        .long 1f - 0f
0:      MARKER 0x411, 0
        lea esp, [ebp-8]
        mov eax, 3
        jmp 2f
1:      xor eax, eax
2:      leave
        ret

/* Calls the raiser from a frame more than 4 KB below ExcFar's handler: unreachable. */
        .globl ExcFarPad
ExcFarPad:
        push ebp
        mov ebp, esp
        sub esp, 0x1400
        push dword ptr [ebp+12]
        call dword ptr [ebp+8]
        add esp, 4
        leave
        ret

        .globl ExcFar
ExcFar:
        push ebp
        mov ebp, esp
        sub esp, 8
        push dword ptr [ebp+12]
        push dword ptr [ebp+8]
        call ExcFarPad
        add esp, 8
        .byte 0xE9
        .long 1f - 0f
0:      MARKER 0x411, 0
        lea esp, [ebp-8]
        mov eax, 7
        jmp 2f
1:      xor eax, eax
2:      leave
        ret

        .globl ExcCodeEnd
ExcCodeEnd:

        .section .note.GNU-stack,"",@progbits
