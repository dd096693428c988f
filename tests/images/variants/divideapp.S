// The variant division application: compiled frames call the framework's variant operators
// on cases the test binary hands out (VariantCaseOperator, VariantCaseOperand), integer
// divisions by zero among them. DivOuter's handler catches what an operator raises one frame
// below it; the entry then goes on to the next case and reports how many ran.
        .intel_syntax noprefix
        .text

        .globl QVEntry
        .type QVEntry, @function
QVEntry:
        push ebp
        mov ebp, esp
        push ebx
        call RuntimeInitExternalClasses
        xor ebx, ebx
2:      push ebx
        call VariantCaseOperator
        add esp, 4
        test eax, eax
        jz 3f
        push ebx
        call DivOuter
        add esp, 4
        inc ebx
        jmp 2b
3:      push ebx
        push 100
        call VariantCaseRecord          // the cases run: the process went on
        add esp, 8
        mov ebx, dword ptr [ebp-4]
        leave
        ret

// (case): DivInner under a handler that records the exception it catches.
        .globl DivOuter
        .type DivOuter, @function
DivOuter:
        push ebp
        mov ebp, esp
        sub esp, 8
        mov dword ptr [ebp-4], 0
        push dword ptr [ebp+8]
        call DivInner
        add esp, 4
        .byte 0xE9                      // handler header: exception into [ebp-4]
        .long 1f - 0f
0:      .long 0x411
        .word 0, -4
        lea esp, [ebp-8]
        push dword ptr [ebp-4]
        push dword ptr [ebp+8]
        call VariantCaseException
        push dword ptr [ebp-4]
        call RuntimeUnlockObject
1:      leave
        ret

// (case): the case's operator on its two operands; records the result, which runs on after a
// raise as every compiled routine does.
        .globl DivInner
        .type DivInner, @function
DivInner:
        push ebp
        mov ebp, esp
        push ebx
        push esi
        push edi
        mov ebx, dword ptr [ebp+8]
        push 1
        push ebx
        call VariantCaseOperand
        add esp, 8
        mov esi, eax
        push 0
        push ebx
        call VariantCaseOperand
        add esp, 8
        mov edi, eax
        push ebx
        call VariantCaseOperator
        add esp, 4
        push esi
        push edi
        call eax
        add esp, 8
        push eax
        push ebx
        call VariantCaseResult
        add esp, 8
        pop edi
        pop esi
        pop ebx
        leave
        ret

        .section .note.GNU-stack,"",@progbits
